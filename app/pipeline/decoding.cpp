#include "pipeline/decoding.h"

#include <charconv>

#include "pipeline/refusal.h"

namespace varno::pipeline {

namespace {

template <class Number>
void parseNumber(std::string_view text, Number& out) {
  Number value{};
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error == std::errc{} && end == text.data() + text.size()) out = value;
}

std::uint32_t le32(std::string_view bytes, std::size_t at) {
  std::uint32_t value = 0;
  for (std::size_t i = 4; i-- > 0;) value = value << 8 | static_cast<unsigned char>(bytes[at + i]);
  return value;
}

// The first chunk a RIFF WAVE file holds besides "fmt " before its "data", as far as the
// head reaches; "" when there is none.
std::string chunkBeforeData(std::string_view head) {
  if (head.size() < 12 || head.substr(0, 4) != "RIFF" || head.substr(8, 4) != "WAVE") return {};
  for (std::size_t at = 12; at + 8 <= head.size();) {
    const std::string_view id = head.substr(at, 4);
    if (id == "data") return {};
    if (id != "fmt ") return std::string(id);
    const std::uint64_t size = le32(head, at + 4);
    at += 8 + size + (size & 1);
  }
  return {};
}

int bitsOf(std::string_view encoding) {
  if (encoding == "PCM_S8" || encoding == "PCM_U8") return 8;
  if (encoding == "PCM_16") return 16;
  if (encoding == "PCM_24") return 24;
  if (encoding == "PCM_32") return 32;
  return 0;
}

bool isFloat(std::string_view encoding) { return encoding == "FLOAT" || encoding == "DOUBLE"; }

std::string bitsText(int bits) { return std::to_string(bits) + " ビット"; }

// What the samples of a WAVE-family file are, with what keeps pelkin from reading them.
std::string waveKind(const DecoderReport& report, std::string_view head) {
  const int bits = bitsOf(report.encoding);
  if (isFloat(report.encoding)) return "浮動小数点の PCM";
  if (report.encoding == "ULAW") return "μ-law の Wave";
  if (report.encoding == "ALAW") return "A-law の Wave";
  if (bits == 0) return "圧縮された Wave（" + report.encoding + "）";
  if (bits > 16 || report.format != "WAV") return bitsText(bits) + "の PCM";
  if (const std::string chunk = chunkBeforeData(head); !chunk.empty())
    return "「" + chunk + "」チャンクのある " + bitsText(bits) + " PCM";
  return bitsText(bits) + "の PCM";
}

std::string kind(const DecoderReport& report, std::string_view head) {
  const std::string& f = report.format;
  const std::string& e = report.encoding;
  if (f == "WAV") return waveKind(report, head);
  if (f == "WAVEX") {
    const int bits = bitsOf(e);
    if (bits > 0 && bits <= 16)
      return "拡張形式（WAVE_FORMAT_EXTENSIBLE）の " + bitsText(bits) + " PCM";
    return waveKind(report, head);
  }
  if (f == "W64") return "Wave64、" + waveKind(report, head);
  if (f == "RF64") return "RF64、" + waveKind(report, head);
  if (f == "FLAC") return "FLAC";
  if (f == "OGG") return e == "OPUS" ? "Opus" : e == "VORBIS" ? "Ogg Vorbis" : "Ogg";
  if (f == "MPEG") return e == "MPEG_I" ? "MP1" : e == "MPEG_II" ? "MP2" : "MP3";
  if (f == "AIFF") return "AIFF（" + waveKind(report, head) + "）";
  if (f == "AU" || f == "CAF") return f;
  return "音のファイル";
}

bool looksLikeText(std::string_view head) {
  for (const char c : head) {
    const auto b = static_cast<unsigned char>(c);
    if (b < 0x20 && b != '\t' && b != '\r' && b != '\n') return false;
  }
  return true;
}

// What a file that nothing decodes seems to be, from its first bytes.
std::string undecodableKind(std::string_view head) {
  if (head.empty()) return "空か、開けないファイル";
  if (head.size() >= 8 && head.substr(4, 4) == "ftyp") return "MPEG-4 の音（AAC など）";
  const bool mpegSync = head.size() >= 2 && static_cast<unsigned char>(head[0]) == 0xFF &&
                        (static_cast<unsigned char>(head[1]) & 0xE0) == 0xE0;
  if (head.starts_with("ID3") || mpegSync) return "壊れているか、読めない形の MP3";
  if (looksLikeText(head)) return "文字だけのファイル";
  return "Varno の知らない形のファイル";
}

}  // namespace

DecoderReport parseDecoderReport(std::string_view jobText) {
  DecoderReport report;
  std::size_t lineNumber = 0;
  while (!jobText.empty()) {
    const std::size_t end = jobText.find('\n');
    std::string_view line = jobText.substr(0, end);
    jobText = end == std::string_view::npos ? std::string_view{} : jobText.substr(end + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (++lineNumber <= 3) continue;
    const std::size_t eq = line.find('=');
    if (eq == std::string_view::npos) continue;
    const std::string_view key = line.substr(0, eq);
    const std::string_view value = line.substr(eq + 1);
    if (key == "format") report.format = value;
    if (key == "encoding") report.encoding = value;
    if (key == "channels") parseNumber(value, report.channels);
    if (key == "rate") parseNumber(value, report.rate);
    if (key == "frames") parseNumber(value, report.frames);
    if (key == "bits") parseNumber(value, report.bits);
    if (key == "progress") parseNumber(value, report.progress);
    if (key == "reason") report.reason = value;
  }
  return report;
}

DecoderJob readDecoderJob(const std::filesystem::path& jobFile) {
  // A job file is a few short lines; a longer one is not the decoder's.
  const std::string text = readFileHead(jobFile, 64 * 1024);
  return {parseJobStatus(text), parseDecoderReport(text)};
}

std::string describeSound(const DecoderReport& report, std::string_view head) {
  return kind(report, head) + "、" + std::to_string(report.channels) + " チャンネル、" +
         std::to_string(report.rate) + " Hz";
}

std::string conversionQuestion(const DecoderReport& report, std::string_view head) {
  std::string text = "このファイルは" + describeSound(report, head) +
                     " の音です。\n\n"
                     "Varno が読めるのは、8 ビットか 16 ビットのリニア PCM の Wave ファイルです。"
                     "このファイルを " +
                     bitsText(report.bits) +
                     "のリニア PCM に変換して取り込めます（元のファイルはそのまま残ります）。";
  if (report.channels > 2) text += "\n2 チャンネルを超える音は、最初のチャンネルだけにします。";
  return text;
}

std::string undecodableMessage(std::string_view head) {
  return "このファイルは" + undecodableKind(head) +
         "で、読めません。\r\n音を扱うソフトで Wave か FLAC に書き出してから、"
         "ドロップしてください。";
}

std::string decodingMessage(int percent) {
  if (percent < 0) return text::kDecoding;
  return "ファイルを Wave ファイルに変換しています（" + std::to_string(percent) + " %）。";
}

}  // namespace varno::pipeline
