#pragma once
// The drop box: a line edit that takes files dropped from the desktop and hands their
// URLs over in one signal, whatever the names; the window decides what a drop does. Its
// context menu is the line edit's, then the actions added to it.
#include <QLineEdit>
#include <QList>
#include <QUrl>
#include <string>

namespace varno::window {

class DropBox : public QLineEdit {
  Q_OBJECT

 public:
  explicit DropBox(QWidget* parent = nullptr);

 signals:
  void filesDropped(const QList<QUrl>& urls);

 protected:
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
};

// The bytes of a local file URL's path, percent-decoded from the URL itself, so a name that
// is not UTF-8 keeps its own bytes; empty for a URL that names no local file.
std::string localPathBytes(const QUrl& url);

}  // namespace varno::window
