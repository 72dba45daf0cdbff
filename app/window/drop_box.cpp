#include "window/drop_box.h"

#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QMimeData>

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

}  // namespace varno::window
