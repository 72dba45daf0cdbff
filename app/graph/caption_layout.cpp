#include "graph/caption_layout.h"

#include <algorithm>

namespace varno::graph {

std::vector<Box> captionRow(std::span<const CaptionText> row, Anchor anchor, int areaLeft,
                            int areaRight, int gap) {
  std::vector<Box> boxes;
  boxes.reserve(row.size());
  int lineHeight = 0;
  for (const CaptionText& caption : row) {
    Box box = caption.designed;
    box.height = std::max(box.height, caption.height);
    if (caption.width > box.width) {
      int growth = caption.width - box.width;
      if (anchor == Anchor::Centre) {
        // An even growth keeps the middle exactly where it was.
        growth += growth % 2;
        box.left -= growth / 2;
      }
      box.width += growth;
      const int lowest = std::min(areaLeft, caption.designed.left);
      const int highest = std::max(areaRight, caption.designed.right());
      box.left = std::max(lowest, std::min(box.left, highest - box.width));
    }
    lineHeight = std::max(lineHeight, box.height);
    boxes.push_back(box);
  }
  const bool crowded =
      std::adjacent_find(boxes.begin(), boxes.end(), [gap](const Box& a, const Box& b) {
        return a.right() + gap > b.left;
      }) != boxes.end();
  if (crowded) {
    for (std::size_t i = 1; i < boxes.size(); i += 2) boxes[i].top += lineHeight;
  }
  return boxes;
}

std::vector<Box> axisCaptionBoxes(std::span<const CaptionText> amplitude,
                                  std::span<const CaptionText> times, int pictureRight,
                                  int windowWidth, int gap) {
  std::vector<Box> boxes;
  for (std::size_t i = 0; i < amplitude.size(); ++i)
    boxes.push_back(
        captionRow(amplitude.subspan(i, 1), Anchor::Left, pictureRight, windowWidth, gap).front());
  constexpr std::size_t kRow = 6;
  for (std::size_t at = 0; at < times.size(); at += kRow) {
    const std::vector<Box> row = captionRow(times.subspan(at, std::min(kRow, times.size() - at)),
                                            Anchor::Centre, 0, windowWidth, gap);
    boxes.insert(boxes.end(), row.begin(), row.end());
  }
  return boxes;
}

}  // namespace varno::graph
