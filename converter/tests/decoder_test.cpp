// The decoder's sample conversion by tables, and the real decoder on sound files that
// libsndfile writes here.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sndfile.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <limits>
#include <set>

#include "converter/job.h"
#include "converter/sound/pcm.h"
#include "converter/sound/report.h"
#include "testkit/files.h"
#include "testkit/program.h"
#include "testkit/wave.h"

namespace varno::sound {
namespace {

namespace fs = std::filesystem;
using namespace testkit;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

// A 24-bit or 32-bit sample as libsndfile normalises it.
double s24(int s) { return s / 8388608.0; }
double s32(double s) { return s / 2147483648.0; }

struct PackCase {
  const char* name;
  std::vector<double> samples;
  int channels;
  int bits;
  std::string bytes;
};

class PackTest : public testing::TestWithParam<PackCase> {};

TEST_P(PackTest, RoundsHalvesAwayFromZeroAndClips) {
  const PackCase& c = GetParam();
  std::string out(c.samples.size() * 2, '?');
  const std::size_t n = packFrames(c.samples, c.channels, c.bits, out.data());
  EXPECT_EQ(out.substr(0, n), c.bytes);
  EXPECT_EQ(n, c.samples.size() / static_cast<std::size_t>(c.channels) *
                   waveFrameBytes(c.channels, c.bits));
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Samples, PackTest,
    testing::Values(
        // A 24-bit value s becomes s / 256 rounded.
        PackCase{"pcm24", {s24(128), s24(-128), s24(127), s24(-127), s24(-129), s24(384),
                           s24(-384), s24(0x7FFFFF), s24(-0x800000)}, 1, 16,
                 pcm16({1, -1, 0, 0, -1, 2, -2, 32767, -32768})},
        // A 32-bit value s becomes s / 65536 rounded.
        PackCase{"pcm32", {s32(32768), s32(-32768), s32(32767), s32(98304), s32(-98304),
                           s32(2147483647), s32(-2147483648.0)}, 1, 16,
                 pcm16({1, -1, 0, 2, -2, 32767, -32768})},
        PackCase{"float", {0.5 / 32768, -0.5 / 32768, 0.49 / 32768, 32766.5 / 32768,
                           32767.5 / 32768, -32767.5 / 32768, 1.0, -1.0, 1.5, -1.5, kNaN,
                           kInf, -kInf, -0.0}, 1, 16,
                 pcm16({1, -1, 0, 32767, 32767, -32768, 32767, -32768, 32767, -32768, 0,
                        32767, -32768, 0})},
        PackCase{"pcm8", {-1.0, 0.0, 127.0 / 128, 0.5 / 128, -0.5 / 128, 0.49 / 128, 1.0, 1.5,
                          -1.5, kNaN}, 1, 8,
                 pcm8({0, 128, 255, 129, 127, 128, 255, 255, 0, 128})},
        PackCase{"stereo_kept_interleaved", {s24(256), s24(-256), s24(512), s24(-512)}, 2, 16,
                 pcm16({1, -1, 2, -2})},
        PackCase{"stereo8", {0.0, -1.0, 1.0, 0.5}, 2, 8, pcm8({128, 0, 255, 192})},
        PackCase{"four_channels_keep_the_first", {0.5, 0.1, 0.2, 0.3, -0.5, 0.1, 0.2, 0.3},
                 4, 16, pcm16({16384, -16384})},
        PackCase{"three_channels8", {1.0, 0.0, 0.0, -1.0, 0.0, 0.0}, 3, 8, pcm8({255, 0})},
        PackCase{"partial_frame_dropped", {0.5, 0.5, 0.25}, 2, 16, pcm16({16384, 16384})}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

TEST(ProgressPaceTest, AWholePercentMoreAndTenthsOfASecondApart) {
  using namespace std::chrono_literals;
  const ProgressPace::Clock::time_point t0;
  ProgressPace pace(1000, t0);
  const struct {
    std::uint64_t done;
    std::chrono::milliseconds at;
    std::optional<int> due;
  } steps[] = {
      {5, 200ms, std::nullopt},   // still 0 %
      {10, 250ms, 1},             //
      {30, 300ms, std::nullopt},  // 3 %, but only 50 ms later
      {30, 350ms, 3},             //
      {999, 900ms, 99},           // 100 only once done
      {1500, 2000ms, std::nullopt},
  };
  for (const auto& step : steps)
    EXPECT_EQ(pace.due(step.done, t0 + step.at), step.due) << step.done;
  ProgressPace unknown(-1, t0);
  EXPECT_EQ(unknown.due(500, t0 + 1s), std::nullopt);
}

TEST(ReasonLineTest, StaysOneLine) {
  EXPECT_EQ(converter::reasonLine("Error : flac decoder lost sync."),
            "reason=Error : flac decoder lost sync.");
  EXPECT_EQ(converter::reasonLine("can't open /x/a\r\nb\n"), "reason=can't open /x/a  b");
}

// Samples as libsndfile is to write them: shorts, ints or doubles.
enum class Width { Short, Int, Double };

struct SoundFile {
  int format;
  int rate;
  int channels;
  Width width;
  std::vector<double> samples;     // interleaved
  const char* software = nullptr;  // written as the file's SF_STR_SOFTWARE string
};

void writeSound(const std::string& path, const SoundFile& sound) {
  SF_INFO info{};
  info.format = sound.format;
  info.samplerate = sound.rate;
  info.channels = sound.channels;
  SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
  ASSERT_NE(file, nullptr) << sf_strerror(nullptr);
  if (sound.software != nullptr) sf_set_string(file, SF_STR_SOFTWARE, sound.software);
  const auto frames = static_cast<sf_count_t>(sound.samples.size()) / sound.channels;
  sf_count_t written = 0;
  if (sound.width == Width::Double) {
    written = sf_writef_double(file, sound.samples.data(), frames);
  } else if (sound.width == Width::Int) {
    const std::vector<int> ints(sound.samples.begin(), sound.samples.end());
    written = sf_writef_int(file, ints.data(), frames);
  } else {
    const std::vector<short> shorts(sound.samples.begin(), sound.samples.end());
    written = sf_writef_short(file, shorts.data(), frames);
  }
  EXPECT_EQ(written, frames);
  ASSERT_EQ(sf_close(file), 0);
}

std::vector<double> sine(int rate, int channels, double seconds) {
  std::vector<double> samples;
  for (int i = 0; i < static_cast<int>(rate * seconds); ++i)
    for (int c = 0; c < channels; ++c)
      samples.push_back(0.5 * std::sin(2 * M_PI * 440 * i / rate + c));
  return samples;
}

std::uint32_t leAt(const std::string& s, std::size_t at, int bytes) {
  std::uint32_t v = 0;
  for (int i = bytes; i-- > 0;) v = v << 8 | static_cast<unsigned char>(s[at + i]);
  return v;
}

class DecoderRun : public testing::Test {
 protected:
  TempDir dir;
  std::string job = dir / "decoder.ini";
  std::string out = dir / "out.wav";

  RunResult run(const std::string& input, const std::string& output) {
    writeFile(job, crlf({input, output, ""}));
    return runProgram(DECODER_PATH, {job});
  }

  std::vector<std::string> report(const char* format, const char* encoding, int channels, int rate,
                                  std::int64_t frames, int bits, std::optional<int> progress) {
    std::vector<std::string> lines = {
        std::string("format=") + format,        std::string("encoding=") + encoding,
        "channels=" + std::to_string(channels), "rate=" + std::to_string(rate),
        "frames=" + std::to_string(frames),     "bits=" + std::to_string(bits)};
    if (progress) lines.push_back("progress=" + std::to_string(*progress));
    return lines;
  }

  std::string jobWith(const std::string& input, const std::string& output, const char* status,
                      std::vector<std::string> lines) {
    lines.insert(lines.begin(), {input, output, status});
    return crlf(lines);
  }
};

TEST_F(DecoderRun, UsageHelpVersionAndAJobInRunMode) {
  for (const std::vector<std::string>& args : {std::vector<std::string>{}, {job, job}}) {
    const RunResult r = runProgram(DECODER_PATH, args);
    EXPECT_EQ(r.exitCode, 255);
    EXPECT_EQ(r.err, "usage : decoder decoder.ini\n");
  }
  EXPECT_EQ(runProgram(DECODER_PATH, {"--help"}).out.rfind("Usage: decoder JOBFILE\n", 0), 0u);
  EXPECT_EQ(runProgram(DECODER_PATH, {"--version"}).out, "decoder (Varno) " VARNO_VERSION "\n");
  writeFile(job, crlf({job, out, "run"}));
  const RunResult r = runProgram(DECODER_PATH, {job});
  EXPECT_EQ(r.err, job + " is in run mode\n");
  EXPECT_EQ(readFile(job), crlf({job, out, "run"}));
}

struct LosslessCase {
  const char* name;
  const char* file;  // the decoder goes by the content, never by the name
  SoundFile sound;
  const char* format;
  const char* encoding;
  std::string wave;  // the decoder's output
};

TEST_F(DecoderRun, LosslessFilesBecomeExactlyThePlainWave) {
  const std::vector<int> ints16 = {0, 1, -1, 32767, -32768, 1000, -1000, 12345};
  const std::vector<double> values16(ints16.begin(), ints16.end());
  // clang-format off
  const LosslessCase cases[] = {
      {"24-bit extensible", "in.wav",
       {SF_FORMAT_WAVEX | SF_FORMAT_PCM_24, 48000, 2, Width::Int,
        {128 << 8, -128 * 256, 127 << 8, -129 * 256, 0x7FFFFF << 8, -0x800000 * 256}},
       "WAVEX", "PCM_24",
       waveBytes({.channels = 2, .rate = 48000}, pcm16({1, -1, 0, -1, 32767, -32768}))},
      {"float", "in.wav",
       {SF_FORMAT_WAV | SF_FORMAT_FLOAT, 44100, 1, Width::Double,
        {0.5 / 32768, -0.5 / 32768, 1.5, -1.5, 1.0, kNaN, 0.25}},
       "WAV", "FLOAT", waveBytes({}, pcm16({1, -1, 32767, -32768, 32767, 0, 8192}))},
      {"16-bit with a LIST chunk", "in.wav",
       {SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100, 2, Width::Short, values16, "Varno tests"},
       "WAV", "PCM_16", waveBytes({.channels = 2}, pcm16(ints16))},
      {"FLAC", "in.flac",
       {SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 44100, 2, Width::Short, values16},
       "FLAC", "PCM_16", waveBytes({.channels = 2}, pcm16(ints16))},
      {"AIFF", "in.aiff",
       {SF_FORMAT_AIFF | SF_FORMAT_PCM_16, 22050, 1, Width::Short, values16},
       "AIFF", "PCM_16", waveBytes({.rate = 22050}, pcm16(ints16))},
      {"8-bit", "in.wav",
       {SF_FORMAT_WAV | SF_FORMAT_PCM_U8, 8000, 1, Width::Short,
        {-128 * 256, -127 * 256, -1 * 256, 0, 1 * 256, 127 * 256, 72 * 256}},
       "WAV", "PCM_U8",
       waveBytes({.rate = 8000, .bits = 8, .padded = true}, pcm8({0, 1, 127, 128, 129, 255, 200}))},
      {"4 channels", "in.wav",
       {SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100, 4, Width::Short,
        {1, 2, 3, 4, 5, 6, 7, 8, -1, -2, -3, -4}},
       "WAV", "PCM_16", waveBytes({}, pcm16({1, 5, -1}))},
  };
  // clang-format on
  for (const LosslessCase& c : cases) {
    const std::string in = dir / c.file;
    writeSound(in, c.sound);
    writeFile(out, "old");
    const RunResult r = run(in, out);
    EXPECT_EQ(r.exitCode, 0) << c.name;
    EXPECT_EQ(r.err, "") << c.name;
    const std::int64_t frames =
        static_cast<std::int64_t>(c.sound.samples.size()) / c.sound.channels;
    const int bits = leAt(c.wave, 34, 2) == 8 ? 8 : 16;
    EXPECT_EQ(readFile(job), jobWith(in, out, "close",
                                     report(c.format, c.encoding, c.sound.channels, c.sound.rate,
                                            frames, bits, 100)))
        << c.name;
    EXPECT_TRUE(readFile(out) == c.wave) << c.name;
    if (c.sound.software != nullptr)
      EXPECT_GT(readFile(in).size(), c.wave.size()) << "libsndfile wrote no chunk of its own";
    fs::remove(in);
  }
  EXPECT_EQ(fileNames(dir.path()), (std::set<std::string>{"decoder.ini", "out.wav"}));
}

// An ID3v2 tag with a title, as taggers put before MPEG data.
std::string id3v2Tag() {
  const std::string frame = std::string("TIT2\0\0\0\x06\0\0\0title", 16);
  return std::string("ID3\x03\0\0\0\0\0", 9) + static_cast<char>(frame.size()) + frame;
}

TEST_F(DecoderRun, LossyFilesComeOutAtTheirRateAndLength) {
  const struct {
    const char* file;
    int format;
    int rate;
    const char* formatName;
    const char* encoding;
  } cases[] = {
      {"in.ogg", SF_FORMAT_OGG | SF_FORMAT_VORBIS, 44100, "OGG", "VORBIS"},
      {"in.opus", SF_FORMAT_OGG | SF_FORMAT_OPUS, 48000, "OGG", "OPUS"},
      {"in.mp3", SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III, 44100, "MPEG", "MPEG_III"},
      // Tagged and misnamed, as files from the web are.
      {"tagged mp3.wav", SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III, 44100, "MPEG", "MPEG_III"},
  };
  for (const auto& c : cases) {
    const std::string in = dir / c.file;
    const std::vector<double> samples = sine(c.rate, 2, 1.0);
    writeSound(in, {c.format, c.rate, 2, Width::Double, samples});
    if (std::string_view(c.file).starts_with("tagged"))
      ASSERT_TRUE(writeFile(in, id3v2Tag() + readFile(in)));
    const RunResult r = run(in, out);
    EXPECT_EQ(r.exitCode, 0) << c.file << r.err;
    EXPECT_EQ(r.err, "") << c.file;

    const std::string wave = readFile(out);
    ASSERT_GE(wave.size(), 44u) << c.file;
    const std::uint32_t frames = leAt(wave, 40, 4) / 4;
    EXPECT_EQ(
        wave.substr(0, 44),
        waveBytes(
            {.channels = 2, .rate = static_cast<std::uint32_t>(c.rate), .dataSize = frames * 4}, "")
            .substr(0, 44));
    EXPECT_EQ(wave.size(), 44 + frames * 4u) << c.file;
    // The codecs add at most a block of their own before or after the sound.
    EXPECT_NEAR(frames, c.rate, 2048) << c.file;
    double sum = 0;
    for (std::uint32_t f = 0; f < frames; ++f) {
      const double v = static_cast<std::int16_t>(leAt(wave, 44 + 4 * f, 2));
      sum += v * v;
    }
    // A sine of amplitude 0.5 has an RMS of 0.5 / sqrt(2) full scale.
    EXPECT_NEAR(std::sqrt(sum / frames) / 32768, 0.5 / std::sqrt(2.0), 0.05) << c.file;
    const std::string text = readFile(job);
    const std::string head = crlf({in, out, "close", std::string("format=") + c.formatName,
                                   std::string("encoding=") + c.encoding, "channels=2",
                                   "rate=" + std::to_string(c.rate)});
    EXPECT_EQ(text.substr(0, head.size()), head) << c.file;
    EXPECT_TRUE(text.ends_with("bits=16\r\nprogress=100\r\n")) << text;
  }
}

TEST_F(DecoderRun, AProbeOnlyDescribesTheSound) {
  const std::string in = dir / "in.flac";
  writeSound(in, {SF_FORMAT_FLAC | SF_FORMAT_PCM_24, 96000, 3, Width::Int, {1, 2, 3, 4, 5, 6}});
  const RunResult r = run(in, "");
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(readFile(job),
            jobWith(in, "", "close", report("FLAC", "PCM_24", 3, 96000, 2, 16, std::nullopt)));
  EXPECT_EQ(fileNames(dir.path()), (std::set<std::string>{"decoder.ini", "in.flac"}));
}

TEST_F(DecoderRun, WhatLibsndfileCannotDecodeEndsInErrorAndWritesNothing) {
  const std::string mp3 = dir / "good.mp3";
  writeSound(mp3, {SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III, 44100, 2, Width::Double,
                   sine(44100, 2, 1.0)});
  const std::string good = readFile(mp3);
  fs::remove(mp3);
  std::string noise;
  std::uint32_t state = 7;
  for (int i = 0; i < 200000; ++i)
    noise += static_cast<char>((state = state * 1664525u + 1013904223u) >> 24);
  const struct {
    const char* name;
    std::string bytes;
    const char* reason;  // nullptr: libsndfile's own words, whatever they are
    bool described;      // the header passed, so the report has the format
  } cases[] = {
      {"text.mp3", "this is not a sound\r\n", "Format not recognised.", false},
      {"empty.wav", "", nullptr, false},
      {"truncated.mp3", good.substr(0, 700), "its data can't be decoded", false},
      {"noise after a good header.mp3", good.substr(0, 1000) + noise, nullptr, true},
      {"noise.flac", "fLaC" + noise, nullptr, false},
  };
  for (const auto& c : cases) {
    const std::string in = dir / c.name;
    writeFile(in, c.bytes);
    for (const std::string& output : {out, std::string()}) {
      if (!output.empty()) writeFile(out, "old");
      const RunResult r = run(in, output);
      EXPECT_EQ(r.exitCode, 255) << c.name;
      EXPECT_EQ(r.err, "can't decode " + in + "\n") << c.name;
      const std::string text = readFile(job);
      const std::string head = crlf({in, output, "error"});
      ASSERT_EQ(text.substr(0, head.size()), head) << c.name;
      const std::string rest = text.substr(head.size());
      EXPECT_EQ(rest.starts_with("format=MPEG\r\n"), c.described) << c.name << ": " << rest;
      const std::size_t reason = rest.rfind("reason=");
      ASSERT_NE(reason, std::string::npos) << c.name;
      if (c.reason != nullptr)
        EXPECT_EQ(rest.substr(reason), std::string("reason=") + c.reason + "\r\n") << c.name;
      EXPECT_GT(rest.size() - reason, 10u) << c.name;
      if (!output.empty()) EXPECT_EQ(readFile(out), "old") << c.name;
    }
    fs::remove(in);
  }
  EXPECT_EQ(fileNames(dir.path()), (std::set<std::string>{"decoder.ini", "out.wav"}));
}

TEST_F(DecoderRun, OutputsThatCannotBeWrittenOrHeld) {
  const std::string in = dir / "in.flac";
  writeSound(in, {SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 8000, 1, Width::Short, {1, 2, 3}});
  for (const std::string& output : {(dir / "missing/out.wav").string(), dir.path().string()}) {
    const RunResult r = run(in, output);
    EXPECT_EQ(r.exitCode, 255);
    EXPECT_EQ(r.err, "can't open " + output + "\n");
    EXPECT_TRUE(readFile(job).ends_with("progress=0\r\nreason=can't open " + output + "\r\n"));
  }
  RunResult r = run(in, "/dev/full");
  EXPECT_EQ(r.err, "can't write /dev/full\n");
  EXPECT_TRUE(
      readFile(job).ends_with("\r\nerror\r\nformat=FLAC\r\nencoding=PCM_16\r\nchannels=1\r\n"
                              "rate=8000\r\nframes=3\r\nbits=16\r\nprogress=0\r\n"
                              "reason=can't write /dev/full\r\n"))
      << readFile(job);

  // An AU file of 2^31 16-bit frames, sparse: its WAVE would pass 4 GiB.
  const std::string big = dir / "big.au";
  writeFile(big, std::string(".snd\0\0\0\x18\xFF\xFF\xFF\xFF\0\0\0\x03\0\0\x1F\x40\0\0\0\x01", 24));
  fs::resize_file(big, 24 + (std::uintmax_t{1} << 32));
  r = run(big, out);
  EXPECT_EQ(r.exitCode, 255);
  EXPECT_EQ(r.err, big + " is too long for a WAVE file\n");
  EXPECT_EQ(readFile(job),
            jobWith(big, out, "error",
                    {"format=AU", "encoding=PCM_16", "channels=1", "rate=8000", "frames=2147483648",
                     "bits=16", "progress=0", "reason=" + big + " is too long for a WAVE file"}));
  EXPECT_EQ(fileNames(dir.path()), (std::set<std::string>{"decoder.ini", "in.flac", "big.au"}));
}

// The input a pipe that is fed a header and a little data, then nothing: the decoder waits
// with its output half written, and is killed there.
TEST_F(DecoderRun, AKilledRunLeavesTheOldOutput) {
  const std::string in = dir / "in.fifo";
  ASSERT_EQ(mkfifo(in.c_str(), 0600), 0);
  writeFile(out, "old");
  writeFile(job, crlf({in, out, ""}));
  // Less than a pipe holds, written before the decoder reads, so that it never sees an end.
  const int feed = open(in.c_str(), O_RDWR | O_CLOEXEC);
  ASSERT_GE(feed, 0);
  const std::string wave = waveBytes({.dataSize = 1 << 20}, std::string(32 * 1024, '\x11'));
  ASSERT_EQ(write(feed, wave.data(), wave.size()), static_cast<ssize_t>(wave.size()));
  StartedProgram decoder(DECODER_PATH, {job});
  const auto halfWritten = [&] {
    for (const std::string& name : fileNames(dir.path()))
      if (name.starts_with("out.wav.") && fs::file_size(dir / name) > 0) return true;
    return false;
  };
  EXPECT_TRUE(waitFor(halfWritten));
  const RunResult killed = decoder.finish(std::chrono::milliseconds(0));
  close(feed);
  EXPECT_EQ(killed.exitCode, -1);
  EXPECT_EQ(readFile(out), "old");
  EXPECT_EQ(readFile(job).substr(0, crlf({in, out, "run"}).size()), crlf({in, out, "run"}));
}

}  // namespace
}  // namespace varno::sound
