#pragma once
// "testkit/files.h" for Qt code: paths as QString, bytes as QByteArray.
#include <QByteArray>
#include <QByteArrayView>
#include <QFile>
#include <QString>

#include "testkit/files.h"

namespace varno::testkit {

inline QByteArray readFile(const QString& path) {
  return QByteArray::fromStdString(readFile(QFile::encodeName(path).toStdString()));
}

inline bool writeFile(const QString& path, QByteArrayView bytes) {
  return writeFile(QFile::encodeName(path).toStdString(),
                   std::string_view(bytes.data(), bytes.size()));
}

}  // namespace varno::testkit
