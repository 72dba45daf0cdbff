#include "window/screen_fit.h"

#include <algorithm>

namespace varno::window {

ScreenFit::ScreenFit(QWidget& window, const QRect& available) {
  const QSize client = window.size();
  const QSize room = available.size() - QSize(kFrameWidth, kFrameHeight);
  if (client.width() <= room.width() && client.height() <= room.height()) return;
  area_ = std::make_unique<QScrollArea>();
  area_->setObjectName(QStringLiteral("formVarnoArea"));
  area_->setWindowTitle(window.windowTitle());
  area_->setWindowIcon(window.windowIcon());
  area_->setAccessibleName(QStringLiteral("Varno"));
  area_->setWindowFlags(window.windowFlags());
  area_->setFrameShape(QFrame::NoFrame);
  // No larger than the client itself: at full size it needs no scroll bars.
  area_->setMaximumSize(client);
  area_->setWidget(&window);
  area_->resize(std::min(client.width(), room.width()), std::min(client.height(), room.height()));
  area_->move(available.topLeft());
  area_->show();
}

ScreenFit::~ScreenFit() {
  if (area_) area_->takeWidget();
}

}  // namespace varno::window
