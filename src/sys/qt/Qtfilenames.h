#pragma once
// File names are the file system's bytes everywhere in the program; Qt holds them as
// QString. These two are the only crossings, so an odd byte survives the round trip.

#include <QByteArray>
#include <QFile>
#include <QString>
#include <string>

inline QString QtFileName(const std::string& path) { return QFile::decodeName(QByteArray::fromStdString(path)); }
inline std::string LocalFileName(const QString& path) { return QFile::encodeName(path).toStdString(); }
