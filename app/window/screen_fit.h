#pragma once
// The window on a screen too small for it: its fixed client area, 583 x 719 at 96 dpi, is taller
// than a 1920 x 1080 screen at 150 % and, with a panel and a title bar, than a 1366 x 768 one.
#include <QRect>
#include <QScrollArea>
#include <QWidget>
#include <memory>

namespace varno::window {

// Where the window with its frame does not fit `available` (the screen's area for windows, in
// its logical pixels), it is shown in a window of its own that scrolls, so that the whole
// client area stays reachable, by its scroll bars and by Tab; where it fits nothing changes.
class ScreenFit {
 public:
  ScreenFit(QWidget& window, const QRect& available);
  // Hands the window back before the scrolling window goes.
  ~ScreenFit();
  ScreenFit(const ScreenFit&) = delete;
  ScreenFit& operator=(const ScreenFit&) = delete;

  // The scrolling window, or nullptr where the window fits.
  QScrollArea* area() const { return area_.get(); }

  // Room left for the frame a window manager adds: a title bar and borders.
  static constexpr int kFrameWidth = 16;
  static constexpr int kFrameHeight = 48;

 private:
  std::unique_ptr<QScrollArea> area_;
};

}  // namespace varno::window
