#include "window/file_handover.h"

#include <QLocalSocket>
#include <cstdlib>
#include <cstring>

namespace varno::window {

namespace {

QString socketPath(const QString& dataDir) { return dataDir + QStringLiteral("/varno.socket"); }

// A path longer than this is no path, and a token longer than this no launcher's.
constexpr qint64 kLongestPath = 64 * 1024;
constexpr qint64 kLongestToken = 4 * 1024;
constexpr int kPatience = 3000;  // ms

}  // namespace

std::optional<HandedFile> readHandover(const QByteArray& message) {
  const qsizetype end = message.indexOf('\0');
  const QByteArray path = end < 0 ? message : message.left(end);
  const QByteArray token = end < 0 ? QByteArray() : message.mid(end + 1);
  if (path.isEmpty() || path.size() > kLongestPath || token.size() > kLongestToken ||
      token.contains('\0'))
    return std::nullopt;
  return HandedFile{path.toStdString(), token.toStdString()};
}

FileHandover::FileHandover(const QString& dataDir, std::function<void(const HandedFile&)> open,
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
    // A sender that writes more than any message holds is cut off.
    connect(sender, &QLocalSocket::readyRead, sender, [sender] {
      if (sender->bytesAvailable() > kLongestPath + 1 + kLongestToken) sender->abort();
    });
    // The sender closes its end once the whole message is written.
    const auto finish = [this, sender] {
      const std::optional<HandedFile> handed = readHandover(sender->readAll());
      sender->deleteLater();
      if (handed) open_(*handed);
    };
    connect(sender, &QLocalSocket::disconnected, this, finish);
    if (sender->state() == QLocalSocket::UnconnectedState) finish();
  }
}

std::string FileHandover::launcherToken() {
  for (const char* name : {"XDG_ACTIVATION_TOKEN", "DESKTOP_STARTUP_ID"}) {
    const char* token = std::getenv(name);
    // One the running window would refuse is left behind, so that the file still goes.
    if (token != nullptr && *token != '\0' && std::strlen(token) <= kLongestToken) return token;
  }
  return {};
}

bool FileHandover::handTo(const QString& dataDir, const HandedFile& handed) {
  QLocalSocket socket;
  socket.connectToServer(socketPath(dataDir));
  if (!socket.waitForConnected(kPatience)) return false;
  QByteArray message = QByteArray::fromStdString(handed.file);
  if (!handed.token.empty()) message += '\0' + QByteArray::fromStdString(handed.token);
  if (socket.write(message) != message.size() || !socket.waitForBytesWritten(kPatience))
    return false;
  socket.disconnectFromServer();
  return socket.state() == QLocalSocket::UnconnectedState || socket.waitForDisconnected(kPatience);
}

}  // namespace varno::window
