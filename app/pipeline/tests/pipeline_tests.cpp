#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/fsuid.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "pipeline/atomic_file.h"
#include "pipeline/capture.h"
#include "pipeline/data_folder.h"
#include "pipeline/decoding.h"
#include "pipeline/job.h"
#include "pipeline/refusal.h"
#include "pipeline/resample.h"
#include "pipeline/sample_text.h"
#include "testkit/files.h"

using namespace varno;
using namespace varno::pipeline;
using namespace varno::testkit;
namespace fs = std::filesystem;

namespace {

const std::function<bool()> kAlways = [] { return true; };

}  // namespace

TEST(JobStatus, OnlyTheExactWordsOnLineThreeEndAJob) {
  // clang-format off
  struct Row { std::string content; JobStatus status; };
  const Row rows[] = {
      {"in\r\nout\r\nclose\r\n", JobStatus::Close},
      {"in\r\nout\r\nerror\r\n", JobStatus::Error},
      {"in\nout\nclose\n", JobStatus::Close},
      {"in\r\nout\r\nclose", JobStatus::Close},
      {"in\r\nout\r\nclose\r\nmore\r\n", JobStatus::Close},
      {"in\r\nout\r\n\r\n", JobStatus::Unfinished},
      {"in\r\nout\r\nrun\r\n", JobStatus::Unfinished},
      {"in\r\nout\r\nClose\r\n", JobStatus::Unfinished},
      {"in\r\nout\r\nclose \r\n", JobStatus::Unfinished},
      {"in\r\nout\r\nERROR\r\n", JobStatus::Unfinished},
      {"in\r\nout\r\n", JobStatus::Unfinished},
      {"close\r\nclose\r\n", JobStatus::Unfinished},
      {"in\r\n", JobStatus::Unfinished},
      {"", JobStatus::Unfinished},
  };
  // clang-format on
  for (const Row& r : rows) EXPECT_EQ(parseJobStatus(r.content), r.status) << r.content;
}

TEST(JobFile, WrittenWithAnEmptyThirdLineAndReadBack) {
  TempDir dir;
  const fs::path job = dir / "pelkin.ini";
  EXPECT_EQ(readJobStatus(job), JobStatus::Unfinished);
  writeFile(job, crlf({"old in", "old out", "error"}));
  EXPECT_EQ(readJobStatus(job), JobStatus::Error);

  ASSERT_TRUE(writeJob(job, "/home/u/a b.wav", "/opt/varno/Data/Org_txt.txt"));
  EXPECT_EQ(readFile(job), "/home/u/a b.wav\r\n/opt/varno/Data/Org_txt.txt\r\n\r\n");
  EXPECT_EQ(readJobStatus(job), JobStatus::Unfinished);
  EXPECT_EQ(fileNames(dir.path()), std::set<std::string>{"pelkin.ini"});

  EXPECT_FALSE(writeJob(dir / "missing" / "trosk.ini", "a", "b"));
}

TEST(JobFile, RewrittenInPlaceWhenItsFolderTakesNoNewFile) {
  TempDir dir;
  const fs::path folder = dir / "closed", job = folder / "pelkin.ini";
  writeFile(job, crlf({"old in", "old out", "close"}));
  // A job that cannot be rewritten in place either.
  fs::create_directories(folder / "trosk.ini");
  fs::permissions(job, fs::perms(0666));
  fs::permissions(dir.path(), fs::perms(0755));
  fs::permissions(folder, fs::perms(0555));
  // Away from uid 0 this thread loses root's right to write any folder.
  const int uid = ::setfsuid(65534);
  const bool written = writeJob(job, "/home/u/a.wav", "/d/Data/Org_txt.txt");
  const bool intoFolder = writeJob(folder / "trosk.ini", "a", "b");
  ::setfsuid(uid);
  fs::permissions(folder, fs::perms(0755));
  EXPECT_TRUE(written);
  EXPECT_EQ(readFile(job), "/home/u/a.wav\r\n/d/Data/Org_txt.txt\r\n\r\n");
  EXPECT_FALSE(intoFolder);
  EXPECT_EQ(fileNames(folder), (std::set<std::string>{"pelkin.ini", "trosk.ini"}));
}

// What an earlier run left beside the re-sampled text goes; what a live writer holds, and
// every other name, stays.
TEST(AtomicFile, RemovesOnlyTheUnlockedTemporariesOfItsTarget) {
  TempDir dir;
  const fs::path target = dir / "Chg_txt.txt";
  std::set<std::string> kept = {
      "Chg_txt.txt.tmp",    "Chg_txt.txt.abc",    "Chg_txt.txt.abcdefg", "Chg_txt.txt.0123abcd.tmp",
      "Chg_txt.txt.ab-12_", "Org_txt.txt.AbC123", "xChg_txt.txt.AbC123", "Chg_txt.txt.Held00"};
  for (const std::string& name : kept) writeFile(dir / name, "kept");
  writeFile(dir / "Chg_txt.txt.AbC123", "stale");
  const int held = ::open((dir / "Chg_txt.txt.Held00").c_str(), O_RDONLY | O_CLOEXEC);
  ASSERT_EQ(::flock(held, LOCK_EX), 0);
  writeFile(dir / "elsewhere", "linked");
  fs::create_symlink(dir / "elsewhere", dir / "Chg_txt.txt.Link00");
  ASSERT_EQ(::mkfifo((dir / "Chg_txt.txt.Pipe00").c_str(), 0644), 0);
  kept.insert({"elsewhere", "Chg_txt.txt.Link00", "Chg_txt.txt.Pipe00"});

  AtomicFile file(target);
  ASSERT_TRUE(file.ok());
  EXPECT_FALSE(fs::exists(dir / "Chg_txt.txt.AbC123"));
  file.write("new");
  // A cleaner running meanwhile leaves the file being written alone.
  removeStaleTemporaries(target);
  ASSERT_TRUE(file.commit());
  EXPECT_EQ(readFile(target), "new");
  EXPECT_EQ(readFile(dir / "elsewhere"), "linked");
  kept.insert("Chg_txt.txt");
  EXPECT_EQ(fileNames(dir.path()), kept);

  ::close(held);
  removeStaleTemporaries(target);
  kept.erase("Chg_txt.txt.Held00");
  EXPECT_EQ(fileNames(dir.path()), kept);
}

TEST(Capture, KilobytesRoundUp) {
  // clang-format off
  struct Row { std::uintmax_t bytes; const char* text; };
  // clang-format on
  const Row rows[] = {{0, "0 KB"},
                      {1, "1 KB"},
                      {1024, "1 KB"},
                      {1025, "2 KB"},
                      {52920044, "51680 KB"},
                      {5000000000ULL, "4882813 KB"}};
  for (const Row& r : rows) EXPECT_EQ(kilobytesText(r.bytes), r.text) << r.bytes;
}

TEST(Capture, WaveExtensionFromTheLastDotInAnyCase) {
  // clang-format off
  struct Row { const char* path; bool wave; };
  const Row rows[] = {
      {"/home/u/a.wav", true},      {"/home/u/A.WAV", true},      {"/home/u/x.Wav", true},
      {"/home/u/a.wav.txt", false}, {"/home/u/wav", false},       {"/home/u/a.wave", false},
      {"/home/u.wav/a", false},     {".wav", true},               {"", false},
      {"/home/u/a.wa", false},
  };
  // clang-format on
  for (const Row& r : rows) EXPECT_EQ(hasWaveExtension(r.path), r.wave) << r.path;
}

TEST(Capture, HeaderIsTheFirstTwoLines) {
  TempDir dir;
  // clang-format off
  struct Row { std::string bytes; bool ok; const char* rate; const char* bits; };
  const Row rows[] = {
      {crlf({"44100", "16", "5"}), true, "44100", "16"},
      {"8000\n8\n", true, "8000", "8"},
      {"22050\r\n16", true, "22050", "16"},
      {crlf({"", ""}), true, "", ""},
      {crlf({"44100"}), false, "", ""},
      {"", false, "", ""},
  };
  // clang-format on
  for (const Row& r : rows) {
    writeFile(dir / "Org_txt.txt", r.bytes);
    const auto header = readSampleHeader(dir / "Org_txt.txt");
    ASSERT_EQ(header.has_value(), r.ok) << r.bytes;
    if (!header) continue;
    EXPECT_EQ(header->rateLine, r.rate);
    EXPECT_EQ(header->bitsLine, r.bits);
  }
  EXPECT_FALSE(readSampleHeader(dir / "none.txt"));
}

// The start of a WAVE file: a fmt chunk of `fmtSize` bytes, then the chunk `next`.
std::string waveHead(std::uint32_t fmtSize, std::uint16_t tag, std::uint16_t bits,
                     const std::string& next) {
  auto le = [](std::uint32_t v, int size) {
    std::string s;
    for (int i = 0; i < size; ++i) s += static_cast<char>(v >> (8 * i) & 0xff);
    return s;
  };
  std::string head = "RIFF" + le(1000, 4) + "WAVEfmt " + le(fmtSize, 4) + le(tag, 2) + le(1, 2) +
                     le(44100, 4) + le(88200, 4) + le(2, 2) + le(bits, 2);
  head.resize(20 + fmtSize, '\0');
  return head + next + le(8, 4);
}

TEST(Refusal, NamesWhatTheFileHasFromPelkinsLineAndTheHeader) {
  const std::string path = "/m/x is an illegal format.wav";
  const struct {
    RefusalCause cause;
    std::string errors;
    std::string head;
    std::string reason;  // the reason's first line
    RefusalSubject subject = RefusalSubject::File;
  } rows[] = {
      {RefusalCause::Converter, path + " is an illegal format\n", waveHead(16, 1, 16, "LIST"),
       "音のデータ（「data」チャンク）の前に「LIST」チャンクがあります（曲名などの情報が入っている"
       "ことがあります）。"},
      {RefusalCause::Converter, path + " is an illegal format\n", waveHead(40, 0xFFFE, 24, "data"),
       "拡張形式（WAVE_FORMAT_EXTENSIBLE）、1 サンプル 24 ビットの Wave ファイルです。"},
      {RefusalCause::Converter, path + " is an illegal format\n", waveHead(18, 1, 16, "data"),
       "「fmt 」チャンクが 18 バイトあります（16 バイトのものだけ読めます）。"},
      {RefusalCause::Converter, path + " is an illegal format\n", waveHead(18, 3, 32, "data"),
       "浮動小数点（IEEE float）の Wave ファイルです。"},
      {RefusalCause::Converter, path + " is an illegal format\n",
       std::string("RIFF\x10\0\0\0WAVEJUNK", 16) + std::string(40, '\0'),
       "ヘッダーの先頭が「fmt 」チャンクではなく、「JUNK」チャンクです。"},
      {RefusalCause::Converter, path + " is an illegal format\n",
       std::string("RIFF\x10\0\0\0WAVEfmt ", 16),
       "ヘッダーが 44 バイトに足りません（途中で切れたファイルです）。"},
      {RefusalCause::Converter, path + " isn't a linear PCM format\n", waveHead(16, 3, 32, "data"),
       "浮動小数点（IEEE float）の Wave ファイルです。"},
      {RefusalCause::Converter, path + " isn't 8 or 16 bits per sample\n",
       waveHead(16, 1, 24, "data"), "1 サンプルが 24 ビットの Wave ファイルです。"},
      {RefusalCause::Converter, path + " isn't WAVE format\n", "",
       "普通のファイルではないか、中身が空です。"},
      {RefusalCause::Converter, "", "",
       "変換プログラム（pelkin）が、理由を告げずに途中で終わりました。"},
      {RefusalCause::Converter, "can't open /d/Data/Org_txt.txt\n", waveHead(16, 1, 16, "data"),
       "取り込んだ音のデータ（Data/Org_txt.txt）を書き込めませんでした。", RefusalSubject::Output},
      {RefusalCause::Converter, "can't write /d/Data/Org_txt.txt\n", "",
       "取り込んだ音のデータ（Data/Org_txt.txt）を書き込めませんでした。", RefusalSubject::Output},
      {RefusalCause::Converter, "can't write /d/pelkin.ini\n", "",
       "変換の指示ファイル（pelkin.ini）を書き込めませんでした。", RefusalSubject::Job},
      {RefusalCause::NotStarted, "", "", "変換プログラム（pelkin）を起動できませんでした。"},
      {RefusalCause::LineEnd, "", "", "ファイルのパスに改行が含まれているため、変換に渡せません。"},
  };
  for (const auto& row : rows) {
    const Refusal refusal = explainRefusal(row.cause, row.errors, row.head);
    const std::string& reason = refusal.reason;
    EXPECT_EQ(reason.substr(0, reason.find('\n')), row.reason) << row.errors;
    EXPECT_EQ(refusal.subject, row.subject) << row.errors;
    // Only a file that is not of the readable kind is told what is.
    const bool aboutTheFormat = row.errors.find(" is") != std::string::npos;
    EXPECT_EQ(reason.find("Varno が読めるのは") != std::string::npos, aboutTheFormat) << row.errors;
    EXPECT_EQ(refusal.decodable, aboutTheFormat) << row.errors;
  }
}

TEST(Decoding, ReportAndWordsOfWhatAFileIs) {
  const DecoderReport mp3 = parseDecoderReport(
      crlf({"/m/s.mp3", "", "close", "format=MPEG", "encoding=MPEG_III", "channels=2", "rate=44100",
            "frames=-1", "bits=16", "progress=x", "reason=a=b"}));
  EXPECT_EQ(mp3.frames, -1);
  EXPECT_EQ(mp3.progress, -1);
  EXPECT_EQ(mp3.reason, "a=b");
  const auto report = [](std::string format, std::string encoding, int channels = 2) {
    return DecoderReport{
        .format = format, .encoding = encoding, .channels = channels, .rate = 44100};
  };
  const struct {
    DecoderReport report;
    std::string head;
    std::string words;
  } rows[] = {
      {mp3, "", "MP3、2 チャンネル、44100 Hz"},
      {report("WAV", "PCM_16", 1), waveHead(16, 1, 16, "LIST"),
       "「LIST」チャンクのある 16 ビット PCM、1 チャンネル、44100 Hz"},
      {report("WAVEX", "PCM_24"), waveHead(40, 0xFFFE, 24, "data"),
       "24 ビットの PCM、2 チャンネル、44100 Hz"},
      {report("WAVEX", "PCM_16"), waveHead(40, 0xFFFE, 16, "data"),
       "拡張形式（WAVE_FORMAT_EXTENSIBLE）の 16 ビット PCM、2 チャンネル、44100 Hz"},
      {report("WAV", "FLOAT"), waveHead(18, 3, 32, "data"),
       "浮動小数点の PCM、2 チャンネル、44100 Hz"},
      {report("OGG", "OPUS", 1), "", "Opus、1 チャンネル、44100 Hz"},
      {report("AIFF", "PCM_16"), "", "AIFF（16 ビットの PCM）、2 チャンネル、44100 Hz"},
  };
  for (const auto& row : rows) EXPECT_EQ(describeSound(row.report, row.head), row.words);
  EXPECT_NE(conversionQuestion(report("FLAC", "PCM_24", 4), "").find("最初のチャンネルだけ"),
            std::string::npos);

  const struct {
    std::string head;
    std::string kind;
  } undecodable[] = {
      {std::string("\0\0\0\x20"
                   "ftypM4A ",
                   12),
       "MPEG-4 の音（AAC など）"},
      {"ID3\x04\0\0\0\0\0\0garbage", "壊れているか、読めない形の MP3"},
      {"just some words\r\n", "文字だけのファイル"},
      {std::string("\x01\x02\x03", 3), "Varno の知らない形のファイル"},
  };
  for (const auto& row : undecodable)
    EXPECT_TRUE(undecodableMessage(row.head).starts_with("このファイルは" + row.kind + "で"))
        << row.kind;
}

TEST(SampleText, LinesEndAtCrLfOrLfAndTheLastLineEndAddsNothing) {
  TempDir dir;
  // clang-format off
  struct Row { std::string bytes; std::vector<std::string> lines; };
  const Row rows[] = {
      {"1\r\n2\r\n", {"1", "2"}},
      {"1\n2\n", {"1", "2"}},
      {"1\r\n\r\n3", {"1", "", "3"}},
      {"1\r2\r\n", {"1\r2"}},
      {"", {}},
      {"\r\n", {""}},
      {std::string(10, 'x') + "\r\n7\r\n", {std::string(10, 'x'), "7"}},
  };
  // clang-format on
  for (const Row& r : rows) {
    writeFile(dir / "s.txt", r.bytes);
    // A block smaller than a line makes the reader grow and carry lines across reads.
    SampleTextReader reader(dir / "s.txt", 3);
    std::vector<std::string> got;
    std::string_view line;
    while (reader.next(line)) got.emplace_back(line);
    EXPECT_EQ(got, r.lines) << r.bytes;
  }
}

TEST(SampleText, ALineBeyondTheLongestEndsTheLinesAsUnreadable) {
  TempDir dir;
  const std::string longest(SampleTextReader::kMaxLine, '7');
  // clang-format off
  struct Row { std::string bytes; std::size_t lines; bool failed; };
  const Row rows[] = {
      {"1\r\n" + longest + "\r\n2\r\n", 3, false},
      {longest + "\r\n" + longest, 2, false},
      {"1\r\n" + longest + "7\r\n2\r\n", 1, true},
      {"1\r\n" + longest + "7", 1, true},
      {"1\r\n" + std::string(1 << 20, '5'), 1, true},
  };
  // clang-format on
  for (const Row& r : rows) {
    writeFile(dir / "s.txt", r.bytes);
    // A block that ends between a longest line's CR and LF, and blocks shorter and longer.
    for (const std::size_t block : {std::size_t{3}, longest.size() + 1, std::size_t{1} << 20}) {
      SampleTextReader reader(dir / "s.txt", block);
      std::size_t lines = 0;
      std::string_view line;
      while (reader.next(line)) ++lines;
      EXPECT_FALSE(reader.next(line));
      EXPECT_EQ(lines, r.lines) << r.bytes.size() << " bytes, block " << block;
      EXPECT_EQ(reader.failed(), r.failed) << r.bytes.size() << " bytes, block " << block;
    }
  }
}

TEST(SampleText, SeeksOnlyToLineStarts) {
  TempDir dir;
  writeFile(dir / "s.txt", crlf({"44100", "16", "10", "-20", "30"}));
  SampleTextReader reader(dir / "s.txt");
  std::string_view line;
  EXPECT_FALSE(reader.seek(13));  // inside "-20"
  ASSERT_TRUE(reader.next(line));
  EXPECT_EQ(line, "44100");
  ASSERT_TRUE(reader.seek(15));
  ASSERT_TRUE(reader.next(line));
  EXPECT_EQ(line, "-20");
  EXPECT_EQ(reader.lineOffset(), 15u);
  EXPECT_FALSE(reader.seek(1000));
}

TEST(SampleText, SkipsLinesInStretchesAcrossBlocks) {
  TempDir dir;
  std::string bytes;
  for (int i = 0; i < 3000; ++i) bytes += std::to_string(i * 7) + (i % 3 ? "\r\n" : "\n");
  bytes += "last";
  writeFile(dir / "s.txt", bytes);
  // clang-format off
  struct Row { std::int64_t skip, skipped; const char* next; };
  // clang-format on
  const Row rows[] = {{0, 0, "0"},           {1, 1, "7"},          {1000, 1000, "7000"},
                      {2999, 2999, "20993"}, {3000, 3000, "last"}, {5000, 3001, nullptr}};
  for (const Row& r : rows) {
    SampleTextReader reader(dir / "s.txt", 700);
    EXPECT_EQ(reader.skip(r.skip), r.skipped) << r.skip;
    std::string_view line;
    ASSERT_EQ(reader.next(line), r.next != nullptr) << r.skip;
    if (r.next) {
      EXPECT_EQ(line, r.next) << r.skip;
    }
  }
}

TEST(SampleText, ValuesAreLeadingNumbers) {
  // clang-format off
  struct Row { const char* line; double value; };
  // clang-format on
  const Row rows[] = {
      {"-32768", -32768}, {"255", 255}, {"", 0},    {"abc", 0},    {" 12", 12},
      {"2.5", 2.5},       {"-", 0},     {"007", 7}, {"1e3", 1000}, {"99999999999999999999", 1e20}};
  for (const Row& r : rows) EXPECT_EQ(sampleValue(r.line), r.value) << r.line;
}

TEST(Resample, RateLineIsTheExactQuotient) {
  // clang-format off
  struct Row { const char* line; int factor; const char* rate; };
  // clang-format on
  const Row rows[] = {
      {"44100", 1, "44100"},        {"44100", 2, "22050"},  {"44100", 128, "344.53125"},
      {"44100", 4, "11025"},        {"44100", 8, "5512.5"}, {"8000", 128, "62.5"},
      {"11025", 128, "86.1328125"}, {" 22050", 2, "11025"}, {"", 4, "0"}};
  for (const Row& r : rows)
    EXPECT_EQ(resampledRateLine(r.line, r.factor), r.rate) << r.line << "/" << r.factor;
}

TEST(Resample, GroupsByFirstSampleOrRoundedMean) {
  struct Row {
    std::vector<std::string> samples;
    int factor;
    Method method;
    std::vector<std::string> expected;
  };
  // clang-format off
  const Row rows[] = {
      {{"10", "11", "12", "13"}, 2, Method::Average, {"11", "13"}},
      {{"-3", "-4"}, 2, Method::Average, {"-4"}},
      {{"-3", "-3"}, 2, Method::Average, {"-3"}},
      {{"-2", "-3", "-3", "-3"}, 4, Method::Average, {"-3"}},
      {{"1", "2", "3", "4", "5", "6", "7", "8", "9"}, 4, Method::Average, {"3", "7"}},
      {{"1", "2", "3", "4", "5", "6", "7", "8", "9"}, 4, Method::FirstSample, {"1", "5", "9"}},
      {{" 5", "abc", "", "-0", "7x"}, 1, Method::Average, {"5", "0", "0", "0", "7"}},
      {{"1", "2"}, 4, Method::Average, {}},
      {{"1", "2"}, 4, Method::FirstSample, {"1"}},
      {{}, 2, Method::FirstSample, {}},
      {std::vector<std::string>(128, "32767"), 128, Method::Average, {"32767"}},
      {std::vector<std::string>(128, "-32768"), 128, Method::Average, {"-32768"}},
      {{"0", "255", "128", "129"}, 2, Method::Average, {"128", "129"}},
      // Partial sums round to even, as a running sum kept in a 32-bit integer does.
      {{"0.5", "0.5"}, 2, Method::Average, {"0"}},
      {{"1.5", "1.5"}, 2, Method::Average, {"2"}},
      {{"99999999999999999999", "99999999999999999999"}, 2, Method::Average, {"1000000000000000"}},
  };
  // clang-format on
  TempDir dir;
  for (const Row& r : rows) {
    std::string original = crlf({"44100", "16"});
    for (const auto& s : r.samples) original += s + "\r\n";
    writeFile(dir / "Org_txt.txt", original);
    const auto result =
        resample(dir / "Org_txt.txt", dir / "Chg_txt.txt", r.factor, r.method, kAlways);
    ASSERT_EQ(result.error, ResampleError::None);
    std::string expected = resampledRateLine("44100", r.factor) + "\r\n16\r\n";
    for (const auto& s : r.expected) expected += s + "\r\n";
    EXPECT_EQ(readFile(dir / "Chg_txt.txt"), expected)
        << r.samples.size() << " samples, factor " << r.factor;
    EXPECT_EQ(result.samplesWritten, static_cast<std::int64_t>(r.expected.size()));
  }
}

TEST(Resample, FactorOneFirstSampleCopiesTheOriginal) {
  TempDir dir;
  const std::string original = crlf({"44100", "16 bits", "1", " 2", "", "x", "-5"});
  writeFile(dir / "Org_txt.txt", original);
  ASSERT_EQ(
      resample(dir / "Org_txt.txt", dir / "Chg_txt.txt", 1, Method::FirstSample, kAlways).error,
      ResampleError::None);
  EXPECT_EQ(readFile(dir / "Chg_txt.txt"), original);
}

TEST(Resample, BareLineFeedsAndAMissingLastLineEndAreRead) {
  TempDir dir;
  writeFile(dir / "Org_txt.txt", "8000\n8\n100\n102\n104");
  ASSERT_EQ(
      resample(dir / "Org_txt.txt", dir / "Chg_txt.txt", 2, Method::FirstSample, kAlways).error,
      ResampleError::None);
  EXPECT_EQ(readFile(dir / "Chg_txt.txt"), crlf({"4000", "8", "100", "104"}));
}

TEST(Resample, FailuresLeaveThePreviousFileAndNoLeftovers) {
  TempDir dir;
  const std::string previous = crlf({"22050", "16", "1"});
  writeFile(dir / "Chg_txt.txt", previous);

  EXPECT_EQ(resample(dir / "none.txt", dir / "Chg_txt.txt", 2, Method::Average, kAlways).error,
            ResampleError::OriginalUnreadable);
  writeFile(dir / "Org_txt.txt", "44100\r\n");
  EXPECT_EQ(resample(dir / "Org_txt.txt", dir / "Chg_txt.txt", 2, Method::Average, kAlways).error,
            ResampleError::OriginalUnreadable);
  EXPECT_EQ(
      resample(dir / "Org_txt.txt", dir / "no" / "Chg_txt.txt", 2, Method::Average, kAlways).error,
      ResampleError::OriginalUnreadable);
  writeFile(dir / "Org_txt.txt", crlf({"44100", "16"}) + std::string(1 << 20, '5'));
  EXPECT_EQ(resample(dir / "Org_txt.txt", dir / "Chg_txt.txt", 2, Method::Average, kAlways).error,
            ResampleError::OriginalUnreadable);
  writeFile(dir / "Org_txt.txt", crlf({"44100", "16", "1", "2"}));
  EXPECT_EQ(
      resample(dir / "Org_txt.txt", dir / "no" / "Chg_txt.txt", 2, Method::Average, kAlways).error,
      ResampleError::CannotWrite);
  EXPECT_EQ(resample(dir / "Org_txt.txt", dir / "Chg_txt.txt", 0, Method::Average, kAlways).error,
            ResampleError::CannotWrite);
  EXPECT_EQ(resample(dir / "Org_txt.txt", dir / "Chg_txt.txt", 256, Method::LowPass, kAlways).error,
            ResampleError::CannotWrite);

  EXPECT_EQ(readFile(dir / "Chg_txt.txt"), previous);
  EXPECT_EQ(fileNames(dir.path()), (std::set<std::string>{"Chg_txt.txt", "Org_txt.txt"}));
}

TEST(Resample, CancelledRunKeepsThePreviousFile) {
  TempDir dir;
  const std::string previous = crlf({"22050", "16", "1"});
  writeFile(dir / "Chg_txt.txt", previous);
  // Long enough that the run asks at least once whether to go on.
  std::string original = crlf({"44100", "16"});
  for (int i = 0; i < 3'000'000; ++i) original += "-12345\r\n";
  writeFile(dir / "Org_txt.txt", original);

  int asked = 0;
  const auto result = resample(dir / "Org_txt.txt", dir / "Chg_txt.txt", 2, Method::Average, [&] {
    ++asked;
    return false;
  });
  EXPECT_EQ(result.error, ResampleError::Cancelled);
  EXPECT_EQ(asked, 1);
  EXPECT_EQ(readFile(dir / "Chg_txt.txt"), previous);
  EXPECT_EQ(fileNames(dir.path()).size(), 2u);
}

TEST(Resample, IndexNotesEveryStrideLineOfTheWrittenFile) {
  TempDir dir;
  std::string original = crlf({"44100", "16"});
  for (int i = 0; i < 3 * 4096 * 4 + 5; ++i) original += std::to_string(i - 20000) + "\r\n";
  writeFile(dir / "Org_txt.txt", original);
  for (Method method : {Method::FirstSample, Method::Average}) {
    const auto result = resample(dir / "Org_txt.txt", dir / "Chg_txt.txt", 4, method, kAlways);
    ASSERT_EQ(result.error, ResampleError::None);
    ASSERT_EQ(result.index.offsets.size(), 4u);
    const std::string written = readFile(dir / "Chg_txt.txt");
    for (std::size_t k = 0; k < result.index.offsets.size(); ++k) {
      // Group m = k * 4096 starts at original sample 4m.
      const std::int64_t first = static_cast<std::int64_t>(k) * 4096 * 4 - 20000;
      // The mean first + 1.5 goes away from zero.
      const std::int64_t mean = first >= 0 ? first + 2 : first + 1;
      const std::string value = std::to_string(method == Method::FirstSample ? first : mean);
      EXPECT_EQ(written.substr(result.index.offsets[k], value.size() + 2), value + "\r\n") << k;
    }
  }
}

// Where the job files and Data/ go: beside the programs when they can be written there,
// else the user's own folder, and never a folder that cannot be written.
TEST(DataFolder, Choice) {
  TempDir dir;
  const fs::path program = dir / "program", data = dir / "program" / "Data";
  struct Row {
    const char* name;
    bool dataExists;
    std::set<std::string> writable;  // the folders that can be written
    const char* xdg;
    const char* home;
    std::string folder;
    bool ok;
  };
  const std::string user = (dir / "xdg" / "varno").string(),
                    homeUser = (dir / "home/.local/share/varno").string();
  const std::string xdg = (dir / "xdg").string(), home = (dir / "home").string();
  const Row rows[] = {
      {"program folder writable",
       false,
       {program.string()},
       nullptr,
       nullptr,
       program.string(),
       true},
      {"program folder and its Data writable",
       true,
       {program.string(), data.string()},
       xdg.c_str(),
       nullptr,
       program.string(),
       true},
      {"its Data closed", true, {program.string(), user}, xdg.c_str(), nullptr, user, true},
      {"program folder closed", false, {user}, xdg.c_str(), home.c_str(), user, true},
      {"a relative XDG_DATA_HOME is ignored",
       false,
       {homeUser},
       "rel/share",
       home.c_str(),
       homeUser,
       true},
      {"no XDG_DATA_HOME", false, {homeUser}, nullptr, home.c_str(), homeUser, true},
      {"the user's folder closed too", false, {}, xdg.c_str(), home.c_str(), user, false},
      {"nowhere to look", false, {}, nullptr, nullptr, program.string(), false},
  };
  for (const Row& row : rows) {
    fs::remove_all(data);
    fs::create_directories(program);
    if (row.dataExists) fs::create_directories(data);
    std::vector<std::string> created;
    const DataFolder chosen =
        chooseDataFolder(program, row.xdg, row.home, [&](const fs::path& folder, bool create) {
          if (create) created.push_back(folder.string());
          return row.writable.count(folder.string()) > 0;
        });
    EXPECT_EQ(chosen.path.string(), row.folder) << row.name;
    EXPECT_EQ(chosen.writable, row.ok) << row.name;
    // Only the user's own folder is ever made.
    for (const std::string& c : created) EXPECT_TRUE(c == user || c == homeUser) << row.name;
  }
}

TEST(DataFolder, OneWindowPerFolder) {
  TempDir dir;
  EXPECT_TRUE(writableFolder(dir / "made" / "varno", true));
  EXPECT_FALSE(writableFolder(dir / "missing", false));
  auto first = std::make_unique<InstanceLock>(dir / "made" / "varno");
  EXPECT_TRUE(first->held());
  EXPECT_FALSE(InstanceLock(dir / "made" / "varno").held());
  EXPECT_TRUE(InstanceLock(dir / "").held());
  first.reset();
  EXPECT_TRUE(InstanceLock(dir / "made" / "varno").held());
}
