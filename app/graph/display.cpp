#include "graph/display.h"

#include <algorithm>
#include <string_view>
#include <utility>

#include "graph/labels.h"
#include "pipeline/sample_text.h"

namespace varno::graph {

namespace {

using pipeline::SampleTextReader;

constexpr std::int64_t kWindow = 500;

// Positions `reader` at sample line `line` or the noted line before it; returns the line
// it now stands at. Without a usable note it reads from the top, past the header.
std::int64_t seekNear(SampleTextReader& reader, const common::LineIndex& index, std::int64_t line) {
  if (const auto seek = index.nearest(line); seek && reader.seek(seek->offset)) return seek->line;
  std::string_view header;
  reader.next(header);
  reader.next(header);
  return 0;
}

struct Group {
  std::int64_t start;  // the original sample the group starts at
  double value;
};

// The groups the staircase draws: the first that starts at or after startPos, up to the
// last that starts before startPos + 500.
std::vector<Group> groupsInView(const std::filesystem::path& resampled,
                                const common::LineIndex& index, std::int32_t startPos, int factor) {
  const std::int64_t firstGroup = (std::max<std::int64_t>(startPos, 0) + factor - 1) / factor;
  const std::int64_t end = std::int64_t{startPos} + kWindow;
  const std::int64_t count =
      std::max<std::int64_t>(end - firstGroup * factor + factor - 1, 0) / factor;
  std::vector<Group> groups;
  std::int64_t m = firstGroup;
  for (const double value : sampleLines(resampled, index, firstGroup, count))
    groups.push_back({m++ * factor, value});
  return groups;
}

Segment stick(std::int64_t column, float y, std::uint32_t rgb) {
  const auto x = static_cast<float>(column);
  return {x, 100.0f, x, y, rgb};
}

}  // namespace

std::vector<double> sampleLines(const std::filesystem::path& sampleText,
                                const common::LineIndex& index, std::int64_t first,
                                std::int64_t count) {
  std::vector<double> values;
  if (count <= 0) return values;
  SampleTextReader reader(sampleText, 64 * 1024);
  if (!reader.isOpen()) return values;
  const std::int64_t near = seekNear(reader, index, first);
  if (reader.skip(first - near) < first - near) return values;
  values.reserve(static_cast<std::size_t>(count));
  std::string_view line;
  for (std::int64_t i = 0; i < count && reader.next(line); ++i)
    values.push_back(pipeline::sampleValue(line));
  return values;
}

Frame frameOf(const Display& display, const SampleFiles& files, std::int32_t startPos,
              std::int32_t maxAmp) {
  Frame frame;
  ViewValues& values = frame.values;
  values.first = std::max<std::int64_t>(startPos, 0);
  values.original = sampleLines(files.original, display.originalLines, values.first,
                                std::int64_t{startPos} + kWindow - values.first);
  values.resampled.resize(values.original.size());
  const int factor = display.staircase ? display.staircase->factor : 0;
  const std::vector<Group> groups =
      factor >= 1 ? groupsInView(files.resampled, display.resampledLines, startPos, factor)
                  : std::vector<Group>{};
  const auto count = static_cast<std::int64_t>(values.original.size());
  for (const Group& g : groups)
    for (std::int64_t k = g.start - values.first;
         k < std::min(g.start + factor - values.first, count); ++k)
      values.resampled[static_cast<std::size_t>(k)] = g.value;
  if (maxAmp == 0) return frame;

  frame.drawn = true;
  const bool sixteenBit = display.format.sixteenBit;
  const std::vector<Segment> grid = gridSegments();
  frame.upper.reserve(values.original.size() + grid.size());
  for (std::int64_t k = 0; k < count; ++k)
    frame.upper.push_back(stick(
        values.first + k - startPos,
        sampleHeight(values.original[static_cast<std::size_t>(k)], maxAmp, sixteenBit), kBlue));
  frame.upper.insert(frame.upper.end(), grid.begin(), grid.end());
  frame.lower.reserve(groups.size() * static_cast<std::size_t>(std::max(factor, 0)) + grid.size());
  for (const Group& g : groups) {
    const float y = sampleHeight(g.value, maxAmp, sixteenBit);
    for (int j = 0; j < factor; ++j) frame.lower.push_back(stick(g.start + j - startPos, y, kRed));
  }
  frame.lower.insert(frame.lower.end(), grid.begin(), grid.end());
  return frame;
}

std::string choiceTip(pipeline::Method inForce, const std::optional<Staircase>& staircase) {
  std::string tip = "サンプリングの方法：" + methodName(inForce);
  if (staircase)
    tip += "\n赤い階段：1/" + std::to_string(staircase->factor) + " の周波数、" +
           methodName(staircase->method) + pipeline::quantizationLabel(staircase->quantization);
  return tip;
}

}  // namespace varno::graph
