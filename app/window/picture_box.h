#pragma once
// A picture box: a white drawing surface with a sunken border whose drawing coordinates
// run x 0..500 and y 0..200 over the inner area, and whose drawing persists.
#include <QFrame>
#include <QImage>
#include <cstdint>

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
  // A one-pixel line in user coordinates; `rgb` is 0xRRGGBB.
  void line(float x1, float y1, float x2, float y2, std::uint32_t rgb);
  // What the inner area shows, one image pixel per screen pixel.
  const QImage& image() const { return image_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QImage image_;
};

}  // namespace varno::window
