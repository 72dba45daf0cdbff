#pragma once
// What the capture reads back from the converted original and shows of file sizes.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace varno::pipeline {

struct SampleHeader {
  std::string rateLine;  // line 1 without its line end
  std::string bitsLine;  // line 2 without its line end
};

// Lines 1 and 2 of a sample-text file; nullopt when it cannot be read or has fewer than two lines.
std::optional<SampleHeader> readSampleHeader(const std::filesystem::path& sampleText);

// A size as the labels show it: "N KB" with N = bytes / 1024 rounded up (a non-empty
// file never shows 0 KB).
std::string kilobytesText(std::uintmax_t bytes);

// True when the name's text from its last "." on is ".wav" in any letter case.
bool hasWaveExtension(std::string_view path);

}  // namespace varno::pipeline
