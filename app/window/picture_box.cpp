#include "window/picture_box.h"

#include <QPainter>
#include <cstdint>
#include <optional>

namespace varno::window {

PictureBox::PictureBox(QWidget* parent)
    : QFrame(parent), image_(kInnerWidth, kInnerHeight, QImage::Format_RGB32) {
  setFrameStyle(QFrame::Panel | QFrame::Sunken);
  setLineWidth(2);
  // Focus by a click only: the Tab order stays as designed, and the menu key still opens
  // the context menu of the box clicked last.
  setFocusPolicy(Qt::ClickFocus);
  image_.fill(Qt::white);
}

void PictureBox::clear() {
  image_.fill(Qt::white);
  update();
}

void PictureBox::draw(std::span<const varno::graph::Segment> segments) {
  QPainter painter(&image_);
  painter.setRenderHint(QPainter::Antialiasing, false);
  painter.setWindow(0, 0, kUserWidth, kUserHeight);
  painter.setViewport(0, 0, kInnerWidth, kInnerHeight);
  std::optional<std::uint32_t> colour;
  for (const varno::graph::Segment& s : segments) {
    if (s.rgb != colour) {
      colour = s.rgb;
      QPen pen(QColor::fromRgb(static_cast<QRgb>(s.rgb)));
      pen.setCosmetic(true);
      pen.setWidth(1);
      painter.setPen(pen);
    }
    painter.drawLine(QLineF(s.x1, s.y1, s.x2, s.y2));
  }
  update();
}

void PictureBox::drawText(const QString& text, const varno::graph::Box& box) {
  QPainter painter(&image_);
  painter.setFont(font());
  painter.setPen(Qt::black);
  const auto column = [](int x) { return x * kInnerWidth / kUserWidth; };
  const auto row = [](int y) { return y * kInnerHeight / kUserHeight; };
  painter.drawText(
      QRect(QPoint(column(box.left), row(box.top)), QPoint(column(box.right()), row(box.bottom()))),
      Qt::AlignCenter | Qt::TextDontClip, text);
  update();
}

void PictureBox::paintEvent(QPaintEvent* event) {
  QFrame::paintEvent(event);
  QPainter painter(this);
  painter.drawImage(contentsRect().topLeft(), image_);
}

}  // namespace varno::window
