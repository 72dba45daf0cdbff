#include "init.h"

#include <array>
#include <optional>

#include "byte_io.h"

namespace varno::converter {

namespace {

using Lines = std::array<std::string, 3>;

// The first three lines, each without its LF but with anything before it (a CR stays).
std::optional<Lines> readRawLines(const std::string& path) {
  FileSource in;
  if (!in.open(path)) return std::nullopt;
  Lines lines;
  std::size_t current = 0;
  char block[4096];
  while (current < lines.size()) {
    const std::size_t n = in.read(block, sizeof block);
    for (std::size_t i = 0; i < n && current < lines.size(); ++i) {
      if (block[i] == '\n')
        ++current;
      else
        lines[current] += block[i];
    }
    if (n < sizeof block) break;
  }
  if (in.failed()) return std::nullopt;
  return lines;
}

}  // namespace

Error getInit(const std::string& jobPath, std::string& line1, std::string& line2,
              std::string& line3) {
  std::optional<Lines> lines = readRawLines(jobPath);
  if (!lines) return Error::JobNotFound;
  for (std::string& line : *lines) line = line.substr(0, line.find_first_of("\r\n"));
  line1 = std::move((*lines)[0]);
  line2 = std::move((*lines)[1]);
  line3 = std::move((*lines)[2]);
  return Error::None;
}

Error setInit(const std::string& jobPath, std::string_view status) {
  std::optional<Lines> lines = readRawLines(jobPath);
  if (!lines) return Error::JobNotFound;
  std::string text;
  for (std::size_t i = 0; i < 2; ++i) {
    std::string_view line = (*lines)[i];
    // The CR of a CR LF line end; the line end itself is written anew below.
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    text.append(line).append("\r\n");
  }
  text.append(status).append("\r\n");
  ReplacingFile out;
  if (!out.open(jobPath) || !out.write(text.data(), text.size()) || !out.commit())
    return Error::JobNotWritten;
  return Error::None;
}

}  // namespace varno::converter
