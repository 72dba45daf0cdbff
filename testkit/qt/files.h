#pragma once
// "testkit/files.h" for Qt code: paths as QString, bytes as QByteArray.
#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include "testkit/files.h"

namespace varno::testkit {

QByteArray readFile(const QString& path);
bool writeFile(const QString& path, QByteArrayView bytes);

}  // namespace varno::testkit
