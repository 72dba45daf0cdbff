// Times the decoder beside this program on 44.1 kHz stereo MP3 and FLAC files of 1 and 10
// minutes that libsndfile makes here, and prints the speed as a multiple of real time and the
// peak memory, which must not grow with the length. Goals: MP3 at least 100 times real time,
// FLAC at least 300. The peak memory is /usr/bin/time's (scripts/setup.sh bench).
#include <sndfile.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "recording.h"
#include "testkit/files.h"
#include "testkit/program.h"

namespace fs = std::filesystem;
using namespace varno;

namespace {

constexpr int kChannels = 2;

struct Codec {
  const char* name;
  const char* extension;
  int format;
  double goal;  // times real time
};

// The benchmarks' recording on the left, the same sound a little later on the right.
bool writeSound(const fs::path& path, const Codec& codec, int minutes) {
  SF_INFO info{};
  info.samplerate = bench::kRate;
  info.channels = kChannels;
  info.format = codec.format;
  SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
  if (file == nullptr) {
    std::printf("  libsndfile cannot write %s: %s\n", path.c_str(), sf_strerror(nullptr));
    return false;
  }
  constexpr std::int64_t kDelay = 441;
  std::uint32_t noise = 1;
  std::vector<short> history(kDelay, 0);
  std::vector<short> block;
  const std::int64_t frames = std::int64_t{minutes} * 60 * bench::kRate;
  bool ok = true;
  for (std::int64_t i = 0; i < frames && ok; i += 4096) {
    block.clear();
    for (std::int64_t f = i; f < std::min(frames, i + 4096); ++f) {
      const short left = bench::sampleAt(f, noise);
      block.push_back(left);
      block.push_back(history[static_cast<std::size_t>(f % kDelay)]);
      history[static_cast<std::size_t>(f % kDelay)] = left;
    }
    const auto count = static_cast<sf_count_t>(block.size() / kChannels);
    ok = sf_writef_short(file, block.data(), count) == count;
  }
  return sf_close(file) == 0 && ok;
}

struct Run {
  double seconds = 0;
  long peakKb = 0;
  bool closed = false;
};

Run decode(const fs::path& decoder, const fs::path& input, const fs::path& dir) {
  const fs::path job = dir / "decoder.ini";
  const fs::path memory = dir / "memory";
  const fs::path output = dir / "out.wav";
  testkit::writeFile(job, testkit::crlf({input.string(), output.string(), ""}));
  const auto start = std::chrono::steady_clock::now();
  const testkit::RunResult r = testkit::runProgram(
      "/usr/bin/time", {"-f", "%M", "-o", memory.string(), decoder.string(), job.string()},
      std::chrono::minutes(5));
  Run run;
  run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  run.peakKb = std::atol(testkit::readFile(memory).c_str());
  run.closed = r.exitCode == 0 && testkit::readFile(job).find("\r\nclose\r\n") != std::string::npos;
  if (!run.closed) std::printf("  the decoder failed: %s", r.err.c_str());
  return run;
}

}  // namespace

int main() {
  const fs::path decoder = fs::read_symlink("/proc/self/exe").parent_path() / "decoder";
  if (!fs::exists(decoder) || !fs::exists("/usr/bin/time")) {
    std::printf("Needs %s and /usr/bin/time (bash scripts/setup.sh bench).\n", decoder.c_str());
    return 1;
  }
  const Codec codecs[] = {
      {"MP3", "mp3", SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III, 100},
      {"FLAC", "flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 300},
  };
  testkit::TempDir dir;
  bool allMet = true;
  for (const Codec& codec : codecs) {
    for (const int minutes : {1, 10}) {
      const fs::path input =
          dir / (std::to_string(minutes) + "min." + std::string(codec.extension));
      const auto made = std::chrono::steady_clock::now();
      std::printf("Making a %d-minute 44.1 kHz stereo %s file...\n", minutes, codec.name);
      if (!writeSound(input, codec, minutes)) return 1;
      std::printf("  %.1f MB in %.1f s\n", static_cast<double>(fs::file_size(input)) / 1e6,
                  std::chrono::duration<double>(std::chrono::steady_clock::now() - made).count());
      // The fastest of three runs, the least disturbed by the rest of the machine.
      Run best;
      for (int i = 0; i < 3; ++i) {
        const Run run = decode(decoder, input, dir.path());
        if (!run.closed) return 1;
        if (i == 0 || run.seconds < best.seconds) best.seconds = run.seconds;
        best.peakKb = std::max(best.peakKb, run.peakKb);
      }
      const double times = minutes * 60.0 / best.seconds;
      const bool met = times >= codec.goal;
      allMet = allMet && met;
      std::printf(
          "  decoder: %.3f s (best of 3), %.0f times real time (goal %.0f: %s), peak "
          "memory %.1f MB\n",
          best.seconds, times, codec.goal, met ? "met" : "NOT met",
          static_cast<double>(best.peakKb) / 1024);
      fs::remove(input);
    }
  }
  return allMet ? 0 : 1;
}
