#include "window/picture_box.h"

#include <QPainter>

namespace varno::window {

PictureBox::PictureBox(QWidget* parent)
    : QFrame(parent), image_(kInnerWidth, kInnerHeight, QImage::Format_RGB32) {
  setFrameStyle(QFrame::Panel | QFrame::Sunken);
  setLineWidth(2);
  image_.fill(Qt::white);
}

void PictureBox::clear() {
  image_.fill(Qt::white);
  update();
}

void PictureBox::line(float x1, float y1, float x2, float y2, std::uint32_t rgb) {
  QPainter painter(&image_);
  painter.setRenderHint(QPainter::Antialiasing, false);
  painter.setWindow(0, 0, kUserWidth, kUserHeight);
  painter.setViewport(0, 0, kInnerWidth, kInnerHeight);
  QPen pen(QColor::fromRgb(static_cast<QRgb>(rgb)));
  pen.setCosmetic(true);
  pen.setWidth(1);
  painter.setPen(pen);
  painter.drawLine(QLineF(x1, y1, x2, y2));
  update();
}

void PictureBox::paintEvent(QPaintEvent* event) {
  QFrame::paintEvent(event);
  QPainter painter(this);
  painter.drawImage(contentsRect().topLeft(), image_);
}

}  // namespace varno::window
