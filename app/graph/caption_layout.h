#pragma once
// Where the axis captions go: a caption keeps the box the layout gives it while its text
// fits, and grows about its anchor when the text is wider or taller, so no text is cut.
#include <span>
#include <vector>

namespace varno::graph {

// A rectangle in window pixels; right() and bottom() are one past its last pixel.
struct Box {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  int right() const { return left + width; }
  int bottom() const { return top + height; }
  bool operator==(const Box&) const = default;
};

// The point of its box that a caption keeps: the left edge, or the middle.
enum class Anchor { Left, Centre };

struct CaptionText {
  Box designed;  // the box the layout gives the caption
  int width;     // the text's extent, its ink included
  int height;    // one line of the font, its descent included
};

// Boxes for one row of captions, given left to right. A box grows to its text: down, and to
// the right (Left) or evenly on both sides (Centre); a grown box is pushed back inside the
// columns [areaLeft, areaRight), or inside its designed box where that reaches further. When
// two neighbours would then come closer than `gap`, every second caption goes one line lower.
std::vector<Box> captionRow(std::span<const CaptionText> row, Anchor anchor, int areaLeft,
                            int areaRight, int gap);

// Boxes for the axis captions, in their order: each amplitude caption alone, left-anchored
// between the pictures' right edge and the window's; then each row of six time captions,
// centred, across the window.
std::vector<Box> axisCaptionBoxes(std::span<const CaptionText> amplitude,
                                  std::span<const CaptionText> times, int pictureRight,
                                  int windowWidth, int gap);

}  // namespace varno::graph
