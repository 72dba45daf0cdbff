#include "testkit/qt/files.h"

#include <QFile>

namespace varno::testkit {

namespace {

std::filesystem::path local(const QString& path) { return QFile::encodeName(path).toStdString(); }

}  // namespace

QByteArray readFile(const QString& path) { return QByteArray::fromStdString(readFile(local(path))); }

bool writeFile(const QString& path, QByteArrayView bytes) {
  return writeFile(local(path), std::string_view(bytes.data(), static_cast<std::size_t>(bytes.size())));
}

}  // namespace varno::testkit
