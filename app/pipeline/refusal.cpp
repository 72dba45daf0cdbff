#include "pipeline/refusal.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>

namespace varno::pipeline {

namespace {

const char* const kReadable =
    "Varno が読めるのは、44 バイトのヘッダーのすぐ後に音のデータが続く、"
    "8 ビットか 16 ビットのリニア PCM の Wave ファイルです。\n"
    "例えば「sox 元の音 -b 16 -e signed-integer -c 1 新しい音.wav」で読める形にできます。";

std::uint32_t le(std::string_view bytes, std::size_t at, std::size_t size) {
  std::uint32_t value = 0;
  for (std::size_t i = size; i-- > 0;)
    value = value << 8 | static_cast<unsigned char>(bytes[at + i]);
  return value;
}

// A chunk's four-letter name as it reads, or in hex when it is not plain text.
std::string chunkName(std::string_view head, std::size_t at) {
  const std::string_view id = head.substr(at, 4);
  for (const char c : id) {
    if (c < 0x20 || c > 0x7e) {
      std::string hex = "0x";
      for (const char b : id) {
        const char* digits = "0123456789ABCDEF";
        hex += digits[static_cast<unsigned char>(b) >> 4];
        hex += digits[static_cast<unsigned char>(b) & 15];
      }
      return hex;
    }
  }
  return "「" + std::string(id) + "」";
}

std::string number(std::uint32_t value) { return std::to_string(value); }

std::string formatReason(std::string_view head) {
  if (head.size() < 36) return "リニア PCM ではない形式の Wave ファイルです。";
  const std::uint32_t tag = le(head, 20, 2);
  if (tag == 3) return "浮動小数点（IEEE float）の Wave ファイルです。";
  return "リニア PCM ではない形式（形式番号 " + number(tag) +
         "、圧縮された音など）の Wave ファイルです。";
}

// The header's layout differs from the plain one: which part comes where.
std::string layoutReason(std::string_view head) {
  if (head.size() < 44) return "ヘッダーが 44 バイトに足りません（途中で切れたファイルです）。";
  if (head.substr(12, 4) != "fmt ")
    return "ヘッダーの先頭が「fmt 」チャンクではなく、" + chunkName(head, 12) + "チャンクです。";
  const std::uint32_t fmtSize = le(head, 16, 4);
  const std::uint32_t tag = le(head, 20, 2);
  const std::uint32_t bits = le(head, 34, 2);
  // Floating-point files carry an 18-byte fmt chunk, which is not what they are refused for.
  if (tag == 3) return formatReason(head);
  const bool floatSubformat = fmtSize >= 40 && head.size() >= 46 && le(head, 44, 2) == 3;
  if (tag == 0xFFFE && floatSubformat)
    return "拡張形式（WAVE_FORMAT_EXTENSIBLE）、浮動小数点（IEEE float）の Wave ファイルです。";
  if (tag == 0xFFFE)
    return "拡張形式（WAVE_FORMAT_EXTENSIBLE）、1 サンプル " + number(bits) +
           " ビットの Wave ファイルです。";
  if (fmtSize != 16)
    return "「fmt 」チャンクが " + number(fmtSize) +
           " バイトあります（16 バイトのものだけ読めます）。";
  return "音のデータ（「data」チャンク）の前に" + chunkName(head, 36) +
         "チャンクがあります（曲名などの情報が入っていることがあります）。";
}

std::string bitsReason(std::string_view head) {
  if (head.size() < 36) return "1 サンプルが 8 ビットでも 16 ビットでもありません。";
  return "1 サンプルが " + number(le(head, 34, 2)) + " ビットの Wave ファイルです。";
}

enum class Kind { Format, Other, Output, Job };

struct Reason {
  Kind kind;
  std::string text;
};

// pelkin's message is "<path> <what>" or "<what> <path>": the path may hold anything, so only
// the fixed ending or beginning of its first line is read.
Reason converterReason(std::string_view errors, std::string_view head) {
  std::string_view line = errors.substr(0, errors.find('\n'));
  // A warning is not why the run failed; the next line is.
  if (line.starts_with("warning : ") && line.size() < errors.size()) {
    const std::string_view rest = errors.substr(line.size() + 1);
    line = rest.substr(0, rest.find('\n'));
  }
  if (line.empty())
    return {Kind::Other, "変換プログラム（pelkin）が、理由を告げずに途中で終わりました。"};
  if (line.ends_with(" isn't WAVE format"))
    return {Kind::Format, head.empty() ? "普通のファイルではないか、中身が空です。"
                                       : "RIFF WAVE 形式のファイルではありません。"};
  if (line.ends_with(" is an illegal format")) return {Kind::Format, layoutReason(head)};
  if (line.ends_with(" isn't a linear PCM format")) return {Kind::Format, formatReason(head)};
  if (line.ends_with(" isn't 8 or 16 bits per sample")) return {Kind::Format, bitsReason(head)};
  if (line.ends_with(" has no channels"))
    return {Kind::Format, "チャンネル数が 0 の Wave ファイルです。"};
  if (line.ends_with(" has an illegal sample rate"))
    return {Kind::Format, "サンプリング周波数が 0 か、大きすぎる Wave ファイルです。"};
  if (line.ends_with(" is in run mode"))
    return {Kind::Other, "前の変換がまだ終わっていませんでした。"};
  if (line.ends_with(" has a line that is too long"))
    return {Kind::Other, "ファイルのパスが長すぎて、変換に渡せません。"};
  if (line.starts_with("can't find ") || line.starts_with("can't read "))
    return {Kind::Other,
            "ファイルを開けないか、読み込めませんでした（読む権限があるか確かめてください）。"};
  // Only pelkin's job file ends so: the window names it.
  if (line.starts_with("can't write ") && line.ends_with("/pelkin.ini"))
    return {Kind::Job, "変換の指示ファイル（pelkin.ini）を書き込めませんでした。"};
  if (line.starts_with("can't open ") || line.starts_with("can't write "))
    return {Kind::Output, "取り込んだ音のデータ（Data/Org_txt.txt）を書き込めませんでした。"};
  return {Kind::Other, "変換プログラム（pelkin）が次のように答えました：" + std::string(line)};
}

}  // namespace

Refusal explainRefusal(RefusalCause cause, std::string_view errors, std::string_view head) {
  switch (cause) {
    case RefusalCause::NotStarted:
      return {RefusalSubject::File, "変換プログラム（pelkin）を起動できませんでした。"};
    case RefusalCause::LineEnd:
      return {RefusalSubject::File, "ファイルのパスに改行が含まれているため、変換に渡せません。"};
    case RefusalCause::Converter: break;
  }
  const Reason reason = converterReason(errors, head);
  switch (reason.kind) {
    case Kind::Format: return {RefusalSubject::File, reason.text + "\n" + kReadable, true};
    case Kind::Output: return {RefusalSubject::Output, reason.text};
    case Kind::Job: return {RefusalSubject::Job, reason.text};
    case Kind::Other: break;
  }
  return {RefusalSubject::File, reason.text};
}

std::string readFileHead(const std::filesystem::path& path, std::size_t limit) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) return {};
  std::string head;
  struct stat info {};
  if (fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) {
    head.resize(limit);
    const ssize_t got = ::pread(fd, head.data(), limit, 0);
    head.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
  }
  ::close(fd);
  return head;
}

}  // namespace varno::pipeline
