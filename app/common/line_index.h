#pragma once
// Byte offsets of every 4096th sample line of a sample-text file, noted during one full
// pass so that a redraw can seek close to its first line instead of reading from the start.
#include <cstdint>
#include <optional>
#include <vector>

namespace varno::common {

struct LineIndex {
  static constexpr std::int64_t kStride = 4096;
  // offsets[k]: byte offset of sample line k * kStride (sample lines counted from 0,
  // after the two header lines). Empty when nothing was noted.
  std::vector<std::uint64_t> offsets;

  struct Seek {
    std::int64_t line;
    std::uint64_t offset;
  };
  // The noted line at or before `line`, with its byte offset; nullopt when nothing was
  // noted (read from the start of the file then).
  std::optional<Seek> nearest(std::int64_t line) const {
    if (offsets.empty() || line < 0) return std::nullopt;
    std::int64_t k = line / kStride;
    if (k >= static_cast<std::int64_t>(offsets.size()))
      k = static_cast<std::int64_t>(offsets.size()) - 1;
    return Seek{k * kStride, offsets[static_cast<std::size_t>(k)]};
  }
};

}  // namespace varno::common
