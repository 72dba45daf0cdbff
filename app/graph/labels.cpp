#include "graph/labels.h"

#include <algorithm>
#include <vector>

#include "common/numbers.h"
#include "common/numtext.h"

namespace varno::graph {

namespace {

std::string hertz(double rate) { return common::plainNumberText(rate) + " Hz"; }

double shownRate(double rate, int factor) {
  return factor == 1 ? rate : common::roundHalfUp(rate / factor);
}

bool reaches(const Segment& s, const Box& b) {
  if (s.rgb != kRed) return false;
  const float left = std::min(s.x1, s.x2), right = std::max(s.x1, s.x2);
  const float top = std::min(s.y1, s.y2), bottom = std::max(s.y1, s.y2);
  return right >= static_cast<float>(b.left) && left < static_cast<float>(b.right()) &&
         bottom >= static_cast<float>(b.top) && top < static_cast<float>(b.bottom());
}

}  // namespace

std::string methodName(pipeline::Method method) {
  switch (method) {
    case pipeline::Method::Average: return "平均値を使う";
    case pipeline::Method::LowPass: return "ローパスフィルタを使う";
    case pipeline::Method::FirstSample: break;
  }
  return "先頭データを使う";
}

std::string staircaseLabel(const Staircase& staircase, double rate) {
  return "1/" + std::to_string(staircase.factor) + "（" + hertz(shownRate(rate, staircase.factor)) +
         "）、" + methodName(staircase.method) +
         pipeline::quantizationLabel(staircase.quantization);
}

std::string soundTitle(std::string_view fileName, double rate,
                       const std::optional<Staircase>& staircase) {
  std::string title = std::string(fileName) + "、" + hertz(rate);
  if (staircase) title += "、" + staircaseLabel(*staircase, rate);
  return title;
}

std::string pictureFileName(std::string_view soundStem, double rate,
                            const std::optional<Staircase>& staircase) {
  const double shown = staircase ? shownRate(rate, staircase->factor) : rate;
  std::string name = std::string(soundStem) + "_" + common::plainNumberText(shown) + "Hz";
  if (staircase) {
    name += "_" + methodName(staircase->method);
    if (staircase->quantization.bits != 0)
      name += "_" + std::to_string(staircase->quantization.bits) + "bit";
  }
  return name + ".png";
}

Box labelPlace(std::span<const Segment> lower, int width, int height) {
  constexpr int kMargin = 3;
  const int right = 500 - kMargin - width;
  const int bottom = 200 - kMargin - height;
  std::vector<Box> places{{kMargin, kMargin, width, height},
                          {right, kMargin, width, height},
                          {kMargin, bottom, width, height},
                          {right, bottom, width, height}};
  // Where every corner is taken, along the top and bottom edges.
  for (int x = kMargin + 5; x < right; x += 5)
    for (int y : {kMargin, bottom}) places.push_back({x, y, width, height});
  const Box* best = &places.front();
  std::ptrdiff_t fewest = -1;
  for (const Box& place : places) {
    const std::ptrdiff_t count = std::count_if(lower.begin(), lower.end(),
                                               [&](const Segment& s) { return reaches(s, place); });
    if (count == 0) return place;
    if (fewest < 0 || count < fewest) {
      fewest = count;
      best = &place;
    }
  }
  return *best;
}

}  // namespace varno::graph
