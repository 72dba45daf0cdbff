#pragma once
// "Open with Varno" while Varno already runs on the same data folder: the second start hands
// the file to the running window over a socket in that folder and ends, instead of refusing.
#include <QLocalServer>
#include <QObject>
#include <QString>
#include <functional>
#include <string>

namespace varno::window {

class FileHandover : public QObject {
  Q_OBJECT

 public:
  // Takes the files handed over to the window that holds `dataDir`'s lock; `open` gets the
  // bytes of each file's path.
  FileHandover(const QString& dataDir, std::function<void(const std::string&)> open,
               QObject* parent = nullptr);

  // Hands `file` (the bytes of its path) to the window running on `dataDir`; false when no
  // window took it.
  static bool handTo(const QString& dataDir, const std::string& file);

 private:
  void take();

  QLocalServer server_;
  std::function<void(const std::string&)> open_;
};

}  // namespace varno::window
