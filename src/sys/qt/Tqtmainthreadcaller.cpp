#include "sys/qt/Tqtmainthreadcaller.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>
#include <exception>
#include <stdexcept>

void TQtMainThreadCaller::CallAndWait(const std::function<void()>& call)
{
    if (QThread::currentThread() == thread()) {
        call();
        return;
    }
    std::exception_ptr error;
    bool ran = false;
    // Qt releases the waiting worker also when the event is dropped undelivered, so a worker
    // never hangs on a loop that will not run again; it learns it from ran.
    const bool posted = QMetaObject::invokeMethod(
        this,
        [&] {
            ran = true;
            try {
                call();
            } catch (...) {
                error = std::current_exception();
            }
        },
        Qt::BlockingQueuedConnection);
    if (!posted || !ran)
        throw std::runtime_error("The call could not reach the user-interface thread.");
    if (error)
        std::rethrow_exception(error);
}

void ServeWorkersUntil(const std::function<bool()>& done)
{
    // A worker's call arrives as an event, which wakes the wait.
    while (!done())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents | QEventLoop::ExcludeUserInputEvents);
}
