#pragma once
// The waveform display's rules: the pass over the original, the captions, the scroll
// positions, the heights of samples and the grid's segments, in the picture boxes' user
// coordinates (x 0..500 left to right, y 0..200 top to bottom). The frame of a redraw made
// of them is graph/display.h.
#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/line_index.h"

namespace varno::graph {

// 16-bit data only when the leading number of the bits caption is exactly 16.
bool isSixteenBit(std::string_view bitsCaption);

// The original's rate and sample kind, taken once from its sample text's two header lines.
struct SoundFormat {
  double rate = 0;          // leading number of the rate line, 0 without one
  bool sixteenBit = false;  // isSixteenBit of the bits line
};

struct Scan {
  std::int32_t maxAmp = 0;     // 16-bit: largest |v|; otherwise largest |v - 128| (ties to even)
  std::int32_t dataCount = 0;  // sample lines after the two header lines, blank ones included
  common::LineIndex index;     // offsets of every 4096th sample line
};

// One full pass over the original sample text; nullopt when it cannot be opened, lacks its
// two header lines, or holds more than 2,147,483,647 sample lines.
std::optional<Scan> scanOriginal(const std::filesystem::path& sampleText, bool sixteenBit);

// Captions of Label12(0)..(5): 16-bit "+M", "0", "-M"; 8-bit digits(M+127), "128", digits(M-128);
// the last three repeat the first three.
std::array<std::string, 6> amplitudeCaptions(std::int32_t maxAmp, bool sixteenBit);

struct TimeCaptions {
  std::array<std::string, 6> samples;  // Label13(0)..(5): digits of startPos + 100k
  std::array<std::string, 6> times;    // Label13(6)..(11): "###0.0" + "msec", halves away from zero
};
// A rate that is not a positive finite number gives the times "-.-msec": nothing is known.
TimeCaptions timeCaptions(std::int64_t startPos, double rate);

// "###0.0": one decimal, halves away from zero on the value's 15-digit decimal form.
std::string formatTenths(double value);

// Start_Pos from the scroll bar: floor(p * count / 100 + 0.5), the product in 64 bits.
std::int32_t scrollStartPos(int scrollValue, std::int32_t dataCount);
// Start_Pos after a new re-sampling: p * count / 100 rounded halves to even, in 64 bits.
std::int32_t choiceStartPos(int scrollValue, std::int32_t dataCount);

// Item k of the rate list stands for the rate divided by 2^k: shown unrounded for k = 0,
// halves up otherwise, followed by its suffix ("Hz (等倍)", "Hz (1/2)", ... "Hz (1/128)").
struct RateItem {
  double value;
  std::string_view suffix;  // UTF-8
};
std::array<RateItem, 8> rateItems(double rate);

// "<<": minus 100 only when above 100.
std::int32_t stepLeft(std::int32_t startPos);
// ">>": plus 100, but never past dataCount (the scroll bar's right end); unchanged at or past it.
std::int32_t stepRight(std::int32_t startPos, std::int32_t dataCount);

constexpr std::uint32_t kBlue = 0x0000FF;  // 0xRRGGBB
constexpr std::uint32_t kRed = 0xFF0000;
constexpr std::uint32_t kBlack = 0x000000;

struct Segment {
  float x1, y1, x2, y2;
  std::uint32_t rgb;
  bool operator==(const Segment&) const = default;
};

// The four vertical lines (x = 100..400) then the centre line, in black.
std::vector<Segment> gridSegments();

// Height of a sample: 100 - d * 100 / maxAmp with d = v (16-bit) or v - 128 rounded to even
// (8-bit). maxAmp 0 gives the centre line; heights far outside the picture are held at +-10^6.
float sampleHeight(double value, std::int32_t maxAmp, bool sixteenBit);

// The values in view, as the traces show them: the original samples from `first` on (up to
// 500, fewer at the recording's end) and under each the staircase's value there, none where
// no red stick stands.
struct ViewValues {
  std::int64_t first = 0;
  std::vector<double> original;
  std::vector<std::optional<double>> resampled;  // one per original value
};

// The values as a table to paste: `heading` (what the values are of), the header
// "サンプル\t時間(ms)\tオリジナル\tサンプリング後", then a row per sample of its index, its time
// at `rate` in ms to three decimals (empty without a rate) and both values as plain number
// texts, tab-separated, the last left empty where there is none; every line ends with "\n".
std::string samplesTable(const ViewValues& values, double rate, std::string_view heading);

}  // namespace varno::graph
