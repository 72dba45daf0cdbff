#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "converter/init.h"
#include "testkit/files.h"

namespace varno::converter {
namespace {

using namespace testkit;

const std::string kLong(5000, 'x');

struct GetInitCase {
  const char* name;
  std::string content;
  std::string line1, line2, line3;
};

class GetInitTest : public testing::TestWithParam<GetInitCase> {};

TEST_P(GetInitTest, YieldsThreeLinesWithoutLineEnds) {
  const GetInitCase& c = GetParam();
  TempDir dir;
  writeFile(dir / "job.ini", c.content);
  std::string l1 = "stale", l2 = "stale", l3 = "stale";
  ASSERT_EQ(getInit(dir / "job.ini", l1, l2, l3), Error::None);
  EXPECT_EQ(l1, c.line1);
  EXPECT_EQ(l2, c.line2);
  EXPECT_EQ(l3, c.line3);
}

INSTANTIATE_TEST_SUITE_P(
    Contents, GetInitTest,
    testing::Values(GetInitCase{"fresh", "C:/a b.wav\r\n/x/Org_txt.txt\r\n\r\n", "C:/a b.wav",
                                "/x/Org_txt.txt", ""},
                    GetInitCase{"status", "a\r\nb\r\nclose\r\n", "a", "b", "close"},
                    GetInitCase{"lf_only", "a\nb\nrun\n", "a", "b", "run"},
                    GetInitCase{"cut_at_first_cr", "a\rjunk\r\nb\r\n\r\n", "a", "b", ""},
                    GetInitCase{"no_final_line_end", "a\r\nb\r\nerror", "a", "b", "error"},
                    GetInitCase{"one_line", "a\r\n", "a", "", ""},
                    GetInitCase{"empty", "", "", "", ""},
                    GetInitCase{"long_line_stays_whole", kLong + "\r\nb\r\n\r\n", kLong, "b", ""},
                    GetInitCase{"longest_line", std::string(kMaxJobLine, 'y') + "\nb",
                                std::string(kMaxJobLine, 'y'), "b", ""},
                    GetInitCase{"extra_lines_ignored", "a\r\nb\r\nrun\r\nd\r\n", "a", "b", "run"}),
    [](const auto& info) { return std::string(info.param.name); });

struct SetInitCase {
  const char* name;
  std::string content;
  const char* status;
  std::string expected;
  std::vector<std::string> report = {};
};

class SetInitTest : public testing::TestWithParam<SetInitCase> {};

TEST_P(SetInitTest, KeepsLinesOneAndTwoAndEndsEveryLineWithCrLf) {
  const SetInitCase& c = GetParam();
  TempDir dir;
  writeFile(dir / "job.ini", c.content);
  ASSERT_EQ(setInit(dir / "job.ini", c.status, c.report), Error::None);
  EXPECT_EQ(readFile(dir / "job.ini"), c.expected);
  // Nothing is left beside the job file.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

INSTANTIATE_TEST_SUITE_P(
    Contents, SetInitTest,
    testing::Values(
        SetInitCase{"fresh_to_run", "C:/a b.wav\r\n/x/o.txt\r\n\r\n", "run",
                    "C:/a b.wav\r\n/x/o.txt\r\nrun\r\n"},
        SetInitCase{"run_to_close", "a\r\nb\r\nrun\r\n", "close", "a\r\nb\r\nclose\r\n"},
        SetInitCase{"lf_only_gets_cr_lf", "a\nb\n\n", "error", "a\r\nb\r\nerror\r\n"},
        SetInitCase{"stray_cr_kept", "a\rb\r\nc\r\n\r\n", "run", "a\rb\r\nc\r\nrun\r\n"},
        SetInitCase{"missing_lines_empty", "a\r\n", "run", "a\r\n\r\nrun\r\n"},
        SetInitCase{"empty_file", "", "run", "\r\n\r\nrun\r\n"},
        SetInitCase{"long_line", kLong + "\r\nb\r\n\r\n", "close", kLong + "\r\nb\r\nclose\r\n"},
        SetInitCase{"extra_lines_dropped", "a\r\nb\r\nrun\r\nd\r\n", "close",
                    "a\r\nb\r\nclose\r\n"},
        SetInitCase{"report_replaces_extra_lines",
                    "a\nb\nrun\nprogress=5\nd\n",
                    "close",
                    "a\r\nb\r\nclose\r\nformat=WAV\r\nprogress=100\r\n",
                    {"format=WAV", "progress=100"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(InitTest, MissingJobFileIsNotFoundAndNotCreated) {
  TempDir dir;
  std::string l1, l2, l3;
  EXPECT_EQ(getInit(dir / "none.ini", l1, l2, l3), Error::JobNotFound);
  EXPECT_EQ(getInit(dir.path().string(), l1, l2, l3), Error::JobNotFound);
  EXPECT_EQ(setInit(dir / "none.ini", "run"), Error::JobNotFound);
  EXPECT_FALSE(std::filesystem::exists(dir / "none.ini"));
}

// A folder that takes no new file while the job file in it is still writable: the status is
// written in place. Root passes permission bits by, so as root the write runs as "nobody".
TEST(InitTest, StatusReachesAJobInAFolderClosedToNewFiles) {
  TempDir dir;
  const std::filesystem::path folder = dir.path() / "closed";
  std::filesystem::create_directory(folder);
  const std::string job = (folder / "job.ini").string();
  writeFile(job, "a\r\nb\r\n\r\n");
  const bool root = geteuid() == 0;
  constexpr uid_t kNobody = 65534;
  if (root) ASSERT_EQ(chown(job.c_str(), kNobody, kNobody), 0);
  ASSERT_EQ(chmod(folder.c_str(), 0555), 0);
  const pid_t child = fork();
  if (child == 0) {
    if (root && (setgid(kNobody) != 0 || setuid(kNobody) != 0)) _exit(3);
    const Error e = setInit(job, "run");
    _exit(e == Error::None ? 0 : e == Error::JobNotFound ? 2 : 1);
  }
  int status = 0;
  waitpid(child, &status, 0);
  chmod(folder.c_str(), 0755);
  const int code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  if (code == 2 || code == 3) GTEST_SKIP() << "the temporary folder is closed to an ordinary user";
  EXPECT_EQ(code, 0);
  EXPECT_EQ(readFile(job), "a\r\nb\r\nrun\r\n");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder), {}), 1);
}

}  // namespace
}  // namespace varno::converter
