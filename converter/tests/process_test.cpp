// Runs the real pelkin and trosk on job files and WAVE files made here.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <set>

#include "testkit/files.h"
#include "testkit/program.h"
#include "testkit/wave.h"

namespace varno::converter {
namespace {

namespace fs = std::filesystem;
using namespace testkit;

class ConverterRun : public testing::Test {
 protected:
  TempDir dir;
  std::string job = dir / "job.ini";
  std::string in = dir / "in.wav";
  std::string out = dir / "out.txt";

  RunResult run(const char* program, const std::string& input, const std::string& status = "") {
    writeFile(job, crlf({input, out, status}));
    return runProgram(program, {job});
  }
};

TEST_F(ConverterRun, UsageNeedsExactlyOneArgumentAndAnswersHelpAndVersion) {
  const std::vector<std::vector<std::string>> wrong = {{}, {job, job}, {"--help", "--version"}};
  for (const auto& [program, name] : {std::pair{PELKIN_PATH, "pelkin"}, {TROSK_PATH, "trosk"}}) {
    for (const auto& args : wrong) {
      const RunResult r = runProgram(program, args);
      EXPECT_EQ(r.exitCode, 255);
      EXPECT_EQ(r.err, std::string("usage : ") + name + " info.ini\n");
    }
    const RunResult help = runProgram(program, {"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_EQ(help.out.rfind(std::string("Usage: ") + name + " JOBFILE\n", 0), 0u) << help.out;
    EXPECT_EQ(help.err, "");
    const RunResult version = runProgram(program, {"--version"});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out, std::string(name) + " (Varno) " VARNO_VERSION "\n");
  }
}

TEST_F(ConverterRun, MissingJobFile) {
  for (const char* program : {PELKIN_PATH, TROSK_PATH}) {
    const RunResult r = runProgram(program, {dir / "none.ini"});
    EXPECT_EQ(r.exitCode, 255);
    EXPECT_EQ(r.err, "can't find " + (dir / "none.ini").string() + "\n");
    EXPECT_FALSE(fs::exists(dir / "none.ini"));
  }
}

TEST_F(ConverterRun, JobInRunModeIsLeftAlone) {
  writeFile(in, waveBytes({}, pcm16({1})));
  writeFile(out, "old");
  for (const char* program : {PELKIN_PATH, TROSK_PATH}) {
    const RunResult r = run(program, in, "run");
    EXPECT_EQ(r.exitCode, 255);
    EXPECT_EQ(r.err, job + " is in run mode\n");
    EXPECT_EQ(readFile(job), crlf({in, out, "run"}));
    EXPECT_EQ(readFile(out), "old");
  }
}

// Every pair starts at once on one job. The input is a pipe held open here, so the run that
// takes the job stays in "run" until it is fed, and the other one must refuse the job.
TEST_F(ConverterRun, OfTwoRunsStartedAtOnceOnlyOneTakesTheJob) {
  using namespace std::chrono_literals;
  in = dir / "in.fifo";
  ASSERT_EQ(mkfifo(in.c_str(), 0600), 0);
  const std::string wave = waveBytes({}, pcm16({5, -6}));
  for (int pair = 0; pair < 40; ++pair) {
    writeFile(job, crlf({in, out, "close"}));
    const int feed = open(in.c_str(), O_RDWR | O_CLOEXEC);
    ASSERT_GE(feed, 0);
    StartedProgram first(PELKIN_PATH, {job}), second(PELKIN_PATH, {job});
    std::optional<RunResult> refused;
    StartedProgram* taker = nullptr;
    for (auto deadline = std::chrono::steady_clock::now() + 20s;
         !refused && std::chrono::steady_clock::now() < deadline;) {
      if ((refused = first.result(1ms)))
        taker = &second;
      else if ((refused = second.result(1ms)))
        taker = &first;
    }
    ASSERT_TRUE(refused) << "pair " << pair << ": both runs took the job";
    EXPECT_EQ(refused->exitCode, 255) << pair;
    EXPECT_EQ(refused->err, job + " is in run mode\n") << pair;
    EXPECT_EQ(readFile(job), crlf({in, out, "run"})) << pair;
    ASSERT_EQ(write(feed, wave.data(), wave.size()), static_cast<ssize_t>(wave.size()));
    close(feed);
    const RunResult took = taker->finish();
    EXPECT_EQ(took.exitCode, 0) << took.err;
    EXPECT_EQ(readFile(job), crlf({in, out, "close"}));
    EXPECT_EQ(readFile(out), "44100\r\n16\r\n5\r\n-6\r\n");
  }
}

TEST_F(ConverterRun, InputPipeWithoutAWriterReadsAsEmpty) {
  in = dir / "in.fifo";
  ASSERT_EQ(mkfifo(in.c_str(), 0600), 0);
  for (const auto& [program, message] :
       {std::pair{PELKIN_PATH, " isn't WAVE format\n"},
        std::pair{TROSK_PATH, " line 1 isn't a positive sample rate\n"}}) {
    writeFile(job, crlf({in, out, ""}));
    StartedProgram run(program, {job});
    const std::optional<RunResult> r = run.result(std::chrono::seconds(20));
    ASSERT_TRUE(r) << program << " waits for a writer";
    EXPECT_EQ(r->exitCode, 255);
    EXPECT_EQ(r->err, in + message);
    EXPECT_EQ(readFile(job), crlf({in, out, "error"}));
  }
}

TEST_F(ConverterRun, JobWithAnOverlongLineIsRefusedUntouched) {
  const std::string longLine(70000, 'x');
  for (const char* program : {PELKIN_PATH, TROSK_PATH}) {
    // A device without line ends must not be read for ever.
    const RunResult zero = runProgram(program, {"/dev/zero"});
    EXPECT_EQ(zero.exitCode, 255);
    EXPECT_EQ(zero.err, "/dev/zero has a line that is too long\n");
    for (const std::string& text : {longLine, "a\r\n" + longLine + "\r\n\r\n"}) {
      writeFile(job, text);
      const RunResult r = runProgram(program, {job});
      EXPECT_EQ(r.exitCode, 255);
      EXPECT_EQ(r.err, job + " has a line that is too long\n");
      EXPECT_TRUE(readFile(job) == text);
    }
  }
}

// Runs killed before their commit leave new files beside the job and the output. Only names
// of exactly that form go, and none a live writer still holds locked.
TEST_F(ConverterRun, StaleTemporariesBesideTheJobAndTheOutputAreRemoved) {
  writeFile(in, waveBytes({}, pcm16({1})));
  const std::set<std::string> stale = {"out.txt.1a2b3c4d.tmp", "job.ini.00000000.tmp"};
  const std::set<std::string> others = {
      "out.txt.1A2B3C4D.tmp",   "out.txt.1a2b3c4.tmp",   "out.txt.1a2b3c4g.tmp",
      "out.txt.1a2b3c4d.tmp.x", "out.txt.1a2b3c4d0.tmp", "in.wav.1a2b3c4d.tmp",
      "xout.txt.1a2b3c4d.tmp",  "out.txt1a2b3c4d.tmp",   "out.txt.feedbeef.tmp"};
  for (const std::string& name : stale) writeFile(dir / name, "half");
  for (const std::string& name : others) writeFile(dir / name, "keep");
  fs::create_directory(dir / "out.txt.0000000d.tmp");
  fs::create_symlink(in, dir / "out.txt.0000000e.tmp");
  const int live = open((dir / "out.txt.feedbeef.tmp").c_str(), O_RDONLY | O_CLOEXEC);
  ASSERT_EQ(flock(live, LOCK_EX), 0);
  const RunResult r = run(PELKIN_PATH, in);
  close(live);
  EXPECT_EQ(r.exitCode, 0) << r.err;
  std::set<std::string> expected = others;
  expected.insert({"job.ini", "in.wav", "out.txt", "out.txt.0000000d.tmp", "out.txt.0000000e.tmp"});
  EXPECT_EQ(fileNames(dir.path()), expected);
}

TEST_F(ConverterRun, StatusThatIsNotExactlyRunIsTaken) {
  writeFile(in, waveBytes({}, pcm16({1})));
  for (const char* old : {"Run", "run ", "close", "error"}) {
    const RunResult r = run(PELKIN_PATH, in, old);
    EXPECT_EQ(r.exitCode, 0) << old;
    EXPECT_EQ(readFile(job), crlf({in, out, "close"})) << old;
  }
}

TEST_F(ConverterRun, MissingInputGoesStraightToError) {
  writeFile(out, "old");
  for (const char* program : {PELKIN_PATH, TROSK_PATH}) {
    for (const std::string& input : {(dir / "none.wav").string(), dir.path().string()}) {
      const RunResult r = run(program, input);
      EXPECT_EQ(r.exitCode, 255);
      EXPECT_EQ(r.err, "can't find " + input + "\n");
      EXPECT_EQ(readFile(job), crlf({input, out, "error"}));
      EXPECT_EQ(readFile(out), "old");
    }
  }
}

struct BadWave {
  const char* name;
  std::string bytes;
  const char* message;  // after the input's path
};

TEST_F(ConverterRun, PelkinRefusesBadWaveFilesAndKeepsTheOldOutput) {
  const std::string good = waveBytes({}, pcm16({1, 2}));
  const BadWave cases[] = {
      {"empty", "", " isn't WAVE format\n"},
      {"43 bytes", good.substr(0, 43), " is an illegal format\n"},
      {"RIFX", waveBytes({.riff = "RIFX"}, ""), " isn't WAVE format\n"},
      {"18-byte fmt", waveBytes({.fmtSize = 18}, pcm16({1})), " is an illegal format\n"},
      {"tag 3", waveBytes({.tag = 3}, ""), " isn't a linear PCM format\n"},
      {"24-bit", waveBytes({.bits = 24}, "abcdef"), " isn't 8 or 16 bits per sample\n"},
      {"0 channels", waveBytes({.channels = 0}, "ab"), " has no channels\n"},
      {"rate 0", waveBytes({.rate = 0}, "ab"), " has an illegal sample rate\n"},
      {"rate 2^31", waveBytes({.rate = 0x80000000u}, "ab"), " has an illegal sample rate\n"},
  };
  for (const BadWave& c : cases) {
    writeFile(in, c.bytes);
    writeFile(out, "old");
    const RunResult r = run(PELKIN_PATH, in);
    EXPECT_EQ(r.exitCode, 255) << c.name;
    EXPECT_EQ(r.err, in + c.message) << c.name;
    EXPECT_EQ(readFile(job), crlf({in, out, "error"})) << c.name;
    EXPECT_EQ(readFile(out), "old") << c.name;
  }
  EXPECT_EQ(fileNames(dir.path()), (std::set<std::string>{"job.ini", "in.wav", "out.txt"}));
}

struct GoodWave {
  const char* name;
  std::string bytes;
  std::string text;
  std::string err;  // after the input's path, for the warning
};

TEST_F(ConverterRun, PelkinWritesTheSampleText) {
  const GoodWave cases[] = {
      {"mono 16", waveBytes({}, std::string("\x01\x00\xFF\xFF", 4)), "44100\r\n16\r\n1\r\n-1\r\n",
       ""},
      {"stereo 8", waveBytes({.channels = 2, .rate = 11025, .bits = 8}, "\x0A\xC8\x14\xD2"),
       "11025\r\n8\r\n10\r\n20\r\n", ""},
      {"empty data", waveBytes({}, ""), "44100\r\n16\r\n", ""},
      {"short data", waveBytes({.dataSize = 8}, pcm16({7, -8, 9})),
       "44100\r\n16\r\n7\r\n-8\r\n9\r\n", " is shorter than its data size\n"},
  };
  for (const GoodWave& c : cases) {
    writeFile(in, c.bytes);
    writeFile(out, "old");
    const RunResult r = run(PELKIN_PATH, in);
    EXPECT_EQ(r.exitCode, 0) << c.name;
    EXPECT_EQ(r.err, c.err.empty() ? "" : "warning : " + in + c.err) << c.name;
    EXPECT_EQ(readFile(job), crlf({in, out, "close"})) << c.name;
    EXPECT_EQ(readFile(out), c.text) << c.name;
  }
  EXPECT_EQ(fileNames(dir.path()), (std::set<std::string>{"job.ini", "in.wav", "out.txt"}));
}

TEST_F(ConverterRun, OutputThatCannotBeOpenedOrWritten) {
  writeFile(in, waveBytes({}, pcm16({1})));
  const std::string text = dir / "in.txt";
  writeFile(text, "8000\r\n16\r\n1\r\n");
  for (const auto& [program, input] : {std::pair{PELKIN_PATH, in}, std::pair{TROSK_PATH, text}}) {
    out = dir / "missing/out";
    RunResult r = run(program, input);
    EXPECT_EQ(r.exitCode, 255);
    EXPECT_EQ(r.err, "can't open " + out + "\n");
    EXPECT_EQ(readFile(job), crlf({input, out, "error"}));

    for (const std::string& unusable : {dir.path().string(), std::string()}) {
      out = unusable;
      r = run(program, input);
      EXPECT_EQ(r.err, "can't open " + out + "\n");
      EXPECT_EQ(readFile(job), crlf({input, out, "error"}));
    }
    EXPECT_EQ(fileNames(dir.path()), (std::set<std::string>{"job.ini", "in.wav", "in.txt"}));

    // A full disk: the status must never claim a complete output.
    out = "/dev/full";
    r = run(program, input);
    EXPECT_EQ(r.exitCode, 255);
    EXPECT_EQ(r.err, "can't write /dev/full\n");
    EXPECT_EQ(readFile(job), crlf({input, out, "error"}));
  }
}

TEST_F(ConverterRun, PathsLongerThanTheOldLineLimit) {
  fs::path deep = dir.path();
  for (int i = 0; i < 5; ++i) deep /= std::string(240, static_cast<char>('a' + i));
  fs::create_directories(deep);
  in = (deep / "in.wav").string();
  out = (deep / "out.txt").string();
  ASSERT_GT(in.size(), 1200u);
  writeFile(in, waveBytes({}, pcm16({3})));
  const RunResult r = run(PELKIN_PATH, in);
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(readFile(job), crlf({in, out, "close"}));
  EXPECT_EQ(readFile(out), "44100\r\n16\r\n3\r\n");
}

TEST_F(ConverterRun, TroskWritesAMonoWave) {
  const WaveFields mono8{.rate = 345, .bits = 8, .padded = true};
  struct Case {
    std::string text;
    std::string wave;
  } cases[] = {
      {"44100\r\n16\r\n1\r\n-1\r\n-32768\r\n32767\r\n",
       waveBytes({}, pcm16({1, -1, -32768, 32767}))},
      {"344.53125\r\n8\r\n0\r\n128\r\n255\r\n", waveBytes(mono8, "\x00\x80\xFF")},
      {"344.53125\n8\n0\n128\n255", waveBytes(mono8, "\x00\x80\xFF")},
      {"44100\r\n16\r\n", waveBytes({}, "")},
      {"0.4921875\r\n8\r\n7\r\n9\r\n",
       waveBytes({.rate = 1, .bits = 8, .padded = true}, "\x07\x09")},
  };
  // std::string from a literal stops at the first NUL; the 8-bit waves hold one.
  cases[1].wave = cases[2].wave = waveBytes(mono8, std::string("\x00\x80\xFF", 3));
  // Three data bytes and the pad byte, which the RIFF size counts and the data size does not.
  ASSERT_EQ(cases[1].wave.size(), 48u);
  EXPECT_EQ(cases[1].wave.substr(4, 4), std::string("\x28\x00\x00\x00", 4));
  EXPECT_EQ(cases[1].wave.substr(40, 4), std::string("\x03\x00\x00\x00", 4));
  EXPECT_EQ(cases[1].wave.back(), '\0');
  in = dir / "in.txt";
  out = dir / "out.wav";
  for (const Case& c : cases) {
    writeFile(in, c.text);
    writeFile(out, "old");
    const RunResult r = run(TROSK_PATH, in);
    EXPECT_EQ(r.exitCode, 0) << c.text;
    EXPECT_EQ(r.err, "") << c.text;
    EXPECT_EQ(readFile(job), crlf({in, out, "close"}));
    EXPECT_EQ(readFile(out), c.wave) << c.text;
  }
  EXPECT_EQ(fileNames(dir.path()), (std::set<std::string>{"job.ini", "in.txt", "out.wav"}));
}

TEST_F(ConverterRun, TroskRefusesBadTextAndLeavesNothingBehind) {
  const struct {
    std::string text;
    const char* message;  // after the input's path
  } cases[] = {
      {"", " line 1 isn't a positive sample rate\n"},
      {"0\r\n16\r\n", " line 1 isn't a positive sample rate\n"},
      {"-44100\r\n16\r\n", " line 1 isn't a positive sample rate\n"},
      {"abc\r\n16\r\n", " line 1 isn't a positive sample rate\n"},
      {"44100\r\n", " line 2 isn't 8 or 16 bits\n"},
      {"44100\r\n24\r\n1\r\n", " line 2 isn't 8 or 16 bits\n"},
      {"44100\r\n16\r\n1\r\n2.5\r\n", " line 4 isn't a whole number\n"},
      {"44100\r\n16\r\n1\r\n\r\n3\r\n", " line 4 isn't a whole number\n"},
      {"44100\r\n16\r\n1\r\n32768\r\n", " line 4 is out of the 16 bit range -32768 to 32767\n"},
      {"8000\r\n8\r\n255\r\n256\r\n", " line 4 is out of the 8 bit range 0 to 255\n"},
      {"8000\r\n8\r\n-1\r\n", " line 3 is out of the 8 bit range 0 to 255\n"},
      {"8000\r\n8\r\n" + std::string(70000, '1') + "\r\n", " line 3 is too long\n"},
  };
  in = dir / "in.txt";
  out = dir / "out.wav";
  for (const bool existing : {false, true}) {
    for (const auto& c : cases) {
      if (existing) writeFile(out, "old");
      writeFile(in, c.text);
      const RunResult r = run(TROSK_PATH, in);
      EXPECT_EQ(r.exitCode, 255) << c.message;
      EXPECT_EQ(r.err, in + c.message);
      EXPECT_EQ(readFile(job), crlf({in, out, "error"}));
      if (existing) EXPECT_EQ(readFile(out), "old");
      std::set<std::string> expected{"job.ini", "in.txt"};
      if (existing) expected.insert("out.wav");
      EXPECT_EQ(fileNames(dir.path()), expected) << c.message;
    }
  }
}

// pelkin then trosk gives back a mono file byte for byte.
TEST_F(ConverterRun, RoundTripOfMonoFiles) {
  std::string bytes8;
  std::vector<int> values16;
  for (int i = 0; i < 70001; ++i) {
    bytes8 += static_cast<char>((i * 37) & 0xFF);
    values16.push_back((i * 7919) % 65536 - 32768);
  }
  const std::string originals[] = {waveBytes({.rate = 8000, .bits = 8, .padded = true}, bytes8),
                                   waveBytes({}, pcm16(values16))};
  for (const std::string& original : originals) {
    writeFile(in, original);
    ASSERT_EQ(run(PELKIN_PATH, in).exitCode, 0);
    const std::string text = out;
    out = dir / "back.wav";
    const RunResult r = run(TROSK_PATH, text);
    out = text;
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(readFile(dir / "back.wav") == original);
  }
}

}  // namespace
}  // namespace varno::converter
