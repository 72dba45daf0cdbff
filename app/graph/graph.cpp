#include "graph/graph.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

#include "common/numbers.h"
#include "common/numtext.h"
#include "pipeline/sample_text.h"

namespace varno::graph {

namespace {

using pipeline::SampleTextReader;

constexpr std::int32_t kInt32Max = std::numeric_limits<std::int32_t>::max();

// A whole number as int32, saturating at the limits instead of wrapping.
std::int32_t saturated(double x) {
  if (std::isnan(x)) return 0;
  return static_cast<std::int32_t>(std::clamp(x, -2147483648.0, 2147483647.0));
}

}  // namespace

bool isSixteenBit(std::string_view bitsCaption) {
  return common::leadingNumber(bitsCaption) == 16.0;
}

std::optional<Scan> scanOriginal(const std::filesystem::path& sampleText, bool sixteenBit) {
  SampleTextReader reader(sampleText);
  std::string_view line;
  if (!reader.next(line) || !reader.next(line)) return std::nullopt;
  Scan scan;
  std::int64_t count = 0;
  std::int64_t maxAmp = 0;
  while (reader.next(line)) {
    if (count % common::LineIndex::kStride == 0) {
      if (count > kInt32Max) return std::nullopt;
      scan.index.offsets.push_back(reader.lineOffset());
    }
    ++count;
    std::int64_t v;
    if (pipeline::plainInteger(line, v)) {
      // Whole numbers: the roundings below change nothing.
      const std::int64_t distance = std::abs(sixteenBit ? v : v - 128);
      if (distance > maxAmp) maxAmp = distance;
      continue;
    }
    const double value = common::leadingNumber(line);
    if (sixteenBit) {
      if (std::abs(value) > static_cast<double>(maxAmp))
        maxAmp = saturated(common::roundHalfEven(std::abs(value)));
    } else {
      const double distance = std::abs(common::roundHalfEven(value - 128));
      if (distance > static_cast<double>(maxAmp)) maxAmp = saturated(distance);
    }
  }
  if (reader.failed() || count > kInt32Max) return std::nullopt;
  scan.maxAmp = static_cast<std::int32_t>(std::min<std::int64_t>(maxAmp, kInt32Max));
  scan.dataCount = static_cast<std::int32_t>(count);
  return scan;
}

std::array<std::string, 6> amplitudeCaptions(std::int32_t maxAmp, bool sixteenBit) {
  const std::int64_t m = maxAmp;
  const std::string top =
      sixteenBit ? common::digitsOf(m).insert(0, 1, '+') : common::digitsOf(m + 127);
  const std::string middle = sixteenBit ? "0" : "128";
  const std::string bottom =
      sixteenBit ? common::digitsOf(m).insert(0, 1, '-') : common::digitsOf(m - 128);
  return {top, middle, bottom, top, middle, bottom};
}

std::string formatTenths(double value) {
  if (!std::isfinite(value)) return "-.-";
  // The value as 15 significant digits M and exponent E: |value| = M * 10^(E - 14).
  char text[40];
  std::snprintf(text, sizeof text, "%.14e", std::abs(value));
  std::string mantissa;
  const char* p = text;
  for (; *p != 'e'; ++p) {
    if (*p != '.') mantissa += *p;
  }
  const int exponent = std::atoi(p + 1);
  // Tenths = M * 10^(E - 13), rounded halves away from zero.
  const int shift = exponent - 13;
  std::string tenths;
  if (shift >= 0) {
    tenths = mantissa + std::string(static_cast<std::size_t>(shift), '0');
    tenths.erase(0, std::min(tenths.find_first_not_of('0'), tenths.size() - 1));
  } else {
    const std::uint64_t m = std::stoull(mantissa);
    std::uint64_t q = 0;
    if (shift > -16) {
      std::uint64_t divisor = 1;
      for (int i = 0; i < -shift; ++i) divisor *= 10;
      q = m / divisor;
      if ((m % divisor) * 2 >= divisor) ++q;
    }
    tenths = std::to_string(q);
  }
  if (tenths.size() < 2) tenths.insert(0, 1, '0');
  tenths.insert(tenths.size() - 1, 1, '.');
  if (value < 0 && tenths.find_first_not_of("0.") != std::string::npos) tenths.insert(0, 1, '-');
  return tenths;
}

TimeCaptions timeCaptions(std::int64_t startPos, double rate) {
  TimeCaptions captions;
  const bool rateKnown = std::isfinite(rate) && rate > 0;
  const double msPerSample = rateKnown ? 1000.0 / rate : 0.0;
  for (std::size_t k = 0; k < 6; ++k) {
    captions.samples[k] = common::digitsOf(startPos + 100 * static_cast<std::int64_t>(k));
    captions.times[k] =
        rateKnown ? formatTenths(common::leadingNumber(captions.samples[k]) * msPerSample) + "msec"
                  : "-.-msec";
  }
  return captions;
}

std::int32_t scrollStartPos(int scrollValue, std::int32_t dataCount) {
  const auto product = static_cast<std::int64_t>(scrollValue) * dataCount;
  return saturated(std::floor(static_cast<double>(product) / 100 + 0.5));
}

std::int32_t choiceStartPos(int scrollValue, std::int32_t dataCount) {
  const auto product = static_cast<std::int64_t>(scrollValue) * dataCount;
  return saturated(common::roundHalfEven(static_cast<double>(product) / 100));
}

std::array<RateItem, 8> rateItems(double rate) {
  static constexpr std::array<std::string_view, 8> kSuffixes = {
      "Hz (等倍)", "Hz (1/2)",  "Hz (1/4)",  "Hz (1/8)",
      "Hz (1/16)", "Hz (1/32)", "Hz (1/64)", "Hz (1/128)"};
  std::array<RateItem, 8> items;
  for (std::size_t k = 0; k < items.size(); ++k)
    items[k] = {k == 0 ? rate : common::roundHalfUp(rate / static_cast<double>(1 << k)),
                kSuffixes[k]};
  return items;
}

std::int32_t stepLeft(std::int32_t startPos) { return startPos > 100 ? startPos - 100 : startPos; }

std::int32_t stepRight(std::int32_t startPos, std::int32_t dataCount) {
  if (startPos >= dataCount) return startPos;
  return static_cast<std::int32_t>(std::min<std::int64_t>(std::int64_t{startPos} + 100, dataCount));
}

std::vector<Segment> gridSegments() {
  std::vector<Segment> grid;
  for (int i = 1; i <= 4; ++i) {
    const auto x = static_cast<float>(100 * i);
    grid.push_back({x, 0.0f, x, 200.0f, kBlack});
  }
  grid.push_back({0.0f, 100.0f, 500.0f, 100.0f, kBlack});
  return grid;
}

float sampleHeight(double value, std::int32_t maxAmp, bool sixteenBit) {
  if (maxAmp <= 0) return 100.0f;
  // d * 100 in double: exact where a 32-bit product would wrap.
  const double d = sixteenBit ? value : common::roundHalfEven(value - 128);
  const double y = 100.0 - d * 100.0 / maxAmp;
  // Far outside the picture either way; keeps the coordinate finite.
  return static_cast<float>(std::clamp(y, -1e6, 1e6));
}

std::string samplesTable(const ViewValues& values, double rate, std::string_view heading) {
  std::string table = std::string(heading) + "\nサンプル\t時間(ms)\tオリジナル\tサンプリング後\n";
  const bool timed = std::isfinite(rate) && rate > 0;
  for (std::size_t k = 0; k < values.original.size(); ++k) {
    const std::int64_t index = values.first + static_cast<std::int64_t>(k);
    table += std::to_string(index) + '\t';
    if (timed)
      table += common::plainNumberText(std::round(static_cast<double>(index) * 1e6 / rate) / 1000);
    table += '\t' + common::plainNumberText(values.original[k]) + '\t';
    if (values.resampled[k]) table += common::plainNumberText(*values.resampled[k]);
    table += '\n';
  }
  return table;
}

}  // namespace varno::graph
