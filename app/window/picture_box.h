#pragma once
// A picture box: a white drawing surface with a sunken border whose drawing coordinates
// run x 0..500 and y 0..200 over the inner area, and whose drawing persists.
#include <QFrame>
#include <QImage>
#include <span>

#include "graph/caption_layout.h"
#include "graph/graph.h"

namespace varno::window {

class PictureBox : public QFrame {
  Q_OBJECT

 public:
  static constexpr int kInnerWidth = 501;
  static constexpr int kInnerHeight = 203;
  static constexpr int kUserWidth = 500;
  static constexpr int kUserHeight = 200;

  explicit PictureBox(QWidget* parent = nullptr);

  // Back to the white background.
  void clear();
  // One-pixel lines in user coordinates, in order, each in its own colour; one painter for
  // all of them, since a redraw draws a thousand.
  void draw(std::span<const varno::graph::Segment> segments);
  // A line of text in black, in the box of user coordinates it is given.
  void drawText(const QString& text, const varno::graph::Box& box);
  // What the inner area shows, one image pixel per screen pixel.
  const QImage& image() const { return image_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QImage image_;
};

}  // namespace varno::window
