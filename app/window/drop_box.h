#pragma once
// The drop box: a line edit that takes files dropped from the desktop and hands their
// URLs over in one signal, whatever the names; the window decides what a drop does.
#include <QLineEdit>
#include <QList>
#include <QUrl>

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
};

}  // namespace varno::window
