#pragma once
// "Open with Varno" while Varno already runs on the same data folder: the second start hands
// the file to the running window over a socket in that folder and ends, instead of refusing.
// The launcher's activation token goes along, so that the running window may come forward.
#include <QByteArray>
#include <QLocalServer>
#include <QObject>
#include <QString>
#include <functional>
#include <optional>
#include <string>

namespace varno::window {

struct HandedFile {
  std::string file;   // the bytes of its path
  std::string token;  // the launcher's activation token, "" for none
  friend bool operator==(const HandedFile&, const HandedFile&) = default;
};

// A hand-over's message is the path, then, when a token comes along, a NUL (which no path
// holds) and the token. Empty for one that no second start sends: no path, a path or a token
// too long, a NUL in the token.
std::optional<HandedFile> readHandover(const QByteArray& message);

class FileHandover : public QObject {
  Q_OBJECT

 public:
  // Takes the files handed over to the window that holds `dataDir`'s lock.
  FileHandover(const QString& dataDir, std::function<void(const HandedFile&)> open,
               QObject* parent = nullptr);

  // The token with which the launcher lets this start's window come forward:
  // XDG_ACTIVATION_TOKEN on Wayland, else DESKTOP_STARTUP_ID on X11; "" for none. To be read
  // before the toolkit starts, as Qt's xcb platform takes DESKTOP_STARTUP_ID for itself.
  static std::string launcherToken();

  // Hands the file and its token to the window running on `dataDir`; false when no window
  // took them.
  static bool handTo(const QString& dataDir, const HandedFile& handed);

 private:
  void take();

  QLocalServer server_;
  std::function<void(const HandedFile&)> open_;
};

}  // namespace varno::window
