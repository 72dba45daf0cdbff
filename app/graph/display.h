#pragma once
// The display model: the recording on screen as one value, and one function from it to the
// frame a redraw shows, so that the graphs and the values copied from them never disagree.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "common/line_index.h"
#include "graph/graph.h"
#include "pipeline/quantize.h"
#include "pipeline/resample.h"

namespace varno::graph {

// The red staircase: how Data/Chg_txt.txt was written, and with fewer bits the SNR measured
// over the whole sound.
struct Staircase {
  int factor = 1;
  pipeline::Method method = pipeline::Method::FirstSample;
  pipeline::Quantization quantization;
  std::optional<double> snrDb;
};

// The recording on screen.
struct Display {
  std::string source;  // the dropped file, as the bytes of its path
  SoundFormat format;  // from the header of its sample text
  bool shown = false;  // its first 500 samples have been drawn
  common::LineIndex originalLines;
  common::LineIndex resampledLines;
  common::LineIndex errorLines;  // of the error text, when the staircase has fewer bits
  // What the re-sampled text holds for this recording, as the window wrote it; none while
  // it holds nothing the list's choice stands for.
  std::optional<Staircase> staircase;
};

struct SampleFiles {
  std::filesystem::path original;   // Data/Org_txt.txt
  std::filesystem::path resampled;  // Data/Chg_txt.txt
  std::filesystem::path error;      // Data/Err_txt.txt, the quantization's error
};

// The values of sample lines first .. first + count - 1 (first >= 0) that the file holds,
// fewer at its end; none when it cannot be opened. The line index brings the reader near.
std::vector<double> sampleLines(const std::filesystem::path& sampleText,
                                const common::LineIndex& index, std::int64_t first,
                                std::int64_t count);

// What a redraw shows of the 500 samples from startPos on, both files read anew.
struct Frame {
  bool drawn = false;          // false for maxAmp 0: the pictures keep what they show
  std::vector<Segment> upper;  // Picture1: a blue stick per sample, then the grid
  std::vector<Segment> lower;  // Picture2: the red staircase, then the grid
  ViewValues values;           // the samples of both traces as numbers
};

// The staircase holds each value for its group's columns; a group that starts left of
// startPos is not drawn, and the last one drawn may reach past x = 499 (the box clips it).
Frame frameOf(const Display& display, const SampleFiles& files, std::int32_t startPos,
              std::int32_t maxAmp);

// The rate list's tooltip: the method a choice would use now and, while there is a
// staircase, what made it, e.g. "赤い階段：1/8 の周波数、平均値を使う、4 ビット". UTF-8.
std::string choiceTip(pipeline::Method inForce, const std::optional<Staircase>& staircase);

}  // namespace varno::graph
