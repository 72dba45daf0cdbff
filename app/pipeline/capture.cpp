#include "pipeline/capture.h"

#include <cctype>

#include "pipeline/sample_text.h"

namespace varno::pipeline {

std::optional<SampleHeader> readSampleHeader(const std::filesystem::path& sampleText) {
  SampleTextReader reader(sampleText, 4096);
  std::string_view rate, bits;
  if (!reader.next(rate)) return std::nullopt;
  SampleHeader header{std::string(rate), {}};
  if (!reader.next(bits)) return std::nullopt;
  header.bitsLine = bits;
  return header;
}

std::string kilobytesText(std::uintmax_t bytes) {
  return std::to_string(bytes / 1024 + (bytes % 1024 != 0)) + " KB";
}

bool hasWaveExtension(std::string_view path) {
  const std::size_t dot = path.rfind('.');
  if (dot == std::string_view::npos) return false;
  const std::string_view ext = path.substr(dot);
  constexpr std::string_view wav = ".wav";
  if (ext.size() != wav.size()) return false;
  for (std::size_t i = 0; i < ext.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(ext[i])) != wav[i]) return false;
  }
  return true;
}

}  // namespace varno::pipeline
