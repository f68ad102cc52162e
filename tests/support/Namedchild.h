#pragma once
// A window's control found by its object name, as the user would find it by its role; the
// controls themselves are the window's own business.

#include <QObject>
#include <stdexcept>
#include <string>

// Throws when there is no such control, so that a renamed one fails the test by its name.
template <typename T>
T* NamedChild(const QObject& parent, const char* name)
{
    T* found = parent.findChild<T*>(QString::fromLatin1(name));
    if (found == nullptr)
        throw std::runtime_error(parent.objectName().toStdString() + " has no " + T::staticMetaObject.className() +
                                 " named " + name);
    return found;
}
