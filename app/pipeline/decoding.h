#pragma once
// The window's side of the decoder: what its job file reports about a sound file, and the
// words a student reads about that file, whether the decoder can turn it into the plain
// PCM WAVE that pelkin reads or not.
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "pipeline/job.h"

namespace varno::pipeline {

namespace text {
inline constexpr const char* kDecoding = "ファイルを Wave ファイルに変換しています。";
inline constexpr const char* kDecodeFailed =
    "ファイルを Wave ファイルに変換できませんでした。\r\n"
    "別のファイルを、上の白のボックス内にドロップしてください。";
inline constexpr const char* kDecodedUnwritable =
    "変換した音（Data/Org_wav.wav）を書き込めませんでした。\r\n"
    "Data フォルダに書き込めるか確かめてください。";
inline constexpr const char* kDecoderJobUnwritable =
    "変換の指示ファイル（decoder.ini）を書き込めませんでした。\r\n"
    "作業用のフォルダに空きがあり、書き込めるか確かめてください。";
inline constexpr const char* kDecoderNotStarted =
    "音のファイルを読む変換プログラム（decoder）を起動できませんでした。\r\n"
    "Wave ファイルを、上の白のボックス内にドロップしてください。";
inline constexpr const char* kNotSound =
    "このファイルは音のファイルではないため、開けません。\r\n"
    "Wave ファイルを、上の白のボックス内にドロップしてください。";
}  // namespace text

// Lines 4 and on of the decoder's job file, "key=value" each; a key it has not written
// keeps its default.
struct DecoderReport {
  std::string format;    // the container: WAV, WAVEX, FLAC, OGG, MPEG, AIFF …
  std::string encoding;  // PCM_16, PCM_24, FLOAT, VORBIS, OPUS, MPEG_III …
  std::int64_t channels = 0;
  std::int64_t rate = 0;
  std::int64_t frames = -1;  // -1: not known
  int bits = 16;             // of the WAVE it writes
  int progress = -1;         // per cent done, -1 while not known
  std::string reason;        // why it failed, in its own words
};

DecoderReport parseDecoderReport(std::string_view jobText);

struct DecoderJob {
  JobStatus status = JobStatus::Unfinished;
  DecoderReport report;
};

// Reads the decoder's job file; an unreadable one is Unfinished with an empty report.
DecoderJob readDecoderJob(const std::filesystem::path& jobFile);

// What the file is, for the question box: e.g. "MP3、2 チャンネル、44100 Hz" or
// "「LIST」チャンクのある 16 ビット PCM、1 チャンネル、44100 Hz". `head` is the start of the
// file, which names the chunks a WAVE file holds before its data.
std::string describeSound(const DecoderReport& report, std::string_view head);

// The question box's text: what the file is, what Varno reads, what it can make of it.
std::string conversionQuestion(const DecoderReport& report, std::string_view head);

// The message line for a file that nothing can decode: what it seems to be, from its first
// bytes, and one way out.
std::string undecodableMessage(std::string_view head);

// The message line while a decoding runs: with its progress once known (`percent` >= 0).
std::string decodingMessage(int percent);

}  // namespace varno::pipeline
