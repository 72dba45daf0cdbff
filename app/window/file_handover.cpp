#include "window/file_handover.h"

#include <QLocalSocket>

namespace varno::window {

namespace {

QString socketPath(const QString& dataDir) { return dataDir + QStringLiteral("/varno.socket"); }

// A path longer than this is no path: the sender is cut off.
constexpr qint64 kLongestPath = 64 * 1024;
constexpr int kPatience = 3000;  // ms

}  // namespace

FileHandover::FileHandover(const QString& dataDir, std::function<void(const std::string&)> open,
                           QObject* parent)
    : QObject(parent), open_(std::move(open)) {
  // Only the window holding the folder's lock gets here, so a socket left there is stale.
  QLocalServer::removeServer(socketPath(dataDir));
  server_.setSocketOptions(QLocalServer::UserAccessOption);
  server_.listen(socketPath(dataDir));
  connect(&server_, &QLocalServer::newConnection, this, &FileHandover::take);
}

void FileHandover::take() {
  while (QLocalSocket* sender = server_.nextPendingConnection()) {
    connect(sender, &QLocalSocket::readyRead, sender, [sender] {
      if (sender->bytesAvailable() > kLongestPath) sender->abort();
    });
    // The sender closes its end once the whole path is written.
    const auto finish = [this, sender] {
      const QByteArray path = sender->readAll();
      sender->deleteLater();
      if (!path.isEmpty() && path.size() <= kLongestPath) open_(path.toStdString());
    };
    connect(sender, &QLocalSocket::disconnected, this, finish);
    if (sender->state() == QLocalSocket::UnconnectedState) finish();
  }
}

bool FileHandover::handTo(const QString& dataDir, const std::string& file) {
  QLocalSocket socket;
  socket.connectToServer(socketPath(dataDir));
  if (!socket.waitForConnected(kPatience)) return false;
  const QByteArray path = QByteArray::fromStdString(file);
  if (socket.write(path) != path.size() || !socket.waitForBytesWritten(kPatience)) return false;
  socket.disconnectFromServer();
  return socket.state() == QLocalSocket::UnconnectedState || socket.waitForDisconnected(kPatience);
}

}  // namespace varno::window
