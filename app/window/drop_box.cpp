#include "window/drop_box.h"

#include <QContextMenuEvent>
#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QMenu>
#include <QMimeData>
#include <memory>

namespace varno::window {

DropBox::DropBox(QWidget* parent) : QLineEdit(parent) {
  setAcceptDrops(true);
  setReadOnly(true);
}

void DropBox::dragEnterEvent(QDragEnterEvent* event) {
  if (event->mimeData()->hasUrls())
    event->acceptProposedAction();
  else
    event->ignore();
}

void DropBox::dragMoveEvent(QDragMoveEvent* event) {
  if (event->mimeData()->hasUrls())
    event->acceptProposedAction();
  else
    event->ignore();
}

void DropBox::dropEvent(QDropEvent* event) {
  if (!event->mimeData()->hasUrls()) {
    event->ignore();
    return;
  }
  event->acceptProposedAction();
  emit filesDropped(event->mimeData()->urls());
}

void DropBox::contextMenuEvent(QContextMenuEvent* event) {
  const std::unique_ptr<QMenu> menu(createStandardContextMenu());
  if (!actions().isEmpty()) {
    menu->addSeparator();
    menu->addActions(actions());
  }
  menu->exec(event->globalPos());
}

std::string localPathBytes(const QUrl& url) {
  if (!url.isLocalFile()) return {};
  return QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1()).toStdString();
}

}  // namespace varno::window
