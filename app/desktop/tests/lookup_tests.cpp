#include <gio/gio.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <set>
#include <sstream>

#include "program_lookup.h"
#include "test_support.h"

namespace varno::test {

namespace {

namespace fs = std::filesystem;

constexpr const char* kPlayerAt = "プレーヤー 置き場/varno_testplayer";
constexpr const char* kBarePlayer = "varno-bare-player";

struct Scenario {
  const char* name;
  const char* document;  // under the temporary root
  bool documentExists;
  const char* exec;  // the associated application's command line; nullptr: none
  int code;
  const char* program;  // expected program under the temporary root; nullptr: none
};

// {player} stands for the absolute path of the test player in a folder with a blank and
// Japanese characters in its name.
const Scenario kScenarios[] = {
    {"absolute path, empty WAVE", "docs/音 テスト 'a'.wav", true, "\"{player}\" %f", 42, kPlayerAt},
    {"bare name found on PATH", "docs/x.flac", true, "varno-bare-player %U", 42,
     "bin/varno-bare-player"},
    {"env wrapper", "docs/x.mp3", true, "env -u SESSION_MANAGER LANG=C varno-bare-player %F", 42,
     "bin/varno-bare-player"},
    {"env wrapper of a missing program", "docs/x.au", true, "env LANG=C varno-no-such-player %f", 0,
     nullptr},
    {"no association", "docs/x.mid", true, nullptr, 31, nullptr},
    {"missing document", "docs/missing.wav", false, nullptr, 2, nullptr},
    {"document under a file", "docs/x.mid/x.wav", false, nullptr, 2, nullptr},
};

std::unique_ptr<TempDir> lookupRoot;
std::string setupProblem;

std::string guessType(const fs::path& document) {
  gchar* type = g_content_type_guess(document.c_str(), nullptr, 0, nullptr);
  std::string result = type ? type : "";
  g_free(type);
  return result;
}

// The folder that holds the system's shared MIME database, which the content type needs.
fs::path systemMimeFolder() {
  const char* dirs = std::getenv("XDG_DATA_DIRS");
  std::istringstream list(dirs && *dirs ? dirs : "/usr/local/share:/usr/share");
  for (std::string dir; std::getline(list, dir, ':');)
    if (fs::exists(fs::path(dir) / "mime" / "globs2")) return fs::path(dir) / "mime";
  return {};
}

std::string replaced(std::string text, const std::string& what, const std::string& by) {
  if (const auto at = text.find(what); at != std::string::npos) text.replace(at, what.size(), by);
  return text;
}

}  // namespace

void prepareLookupEnvironment() {
  lookupRoot = std::make_unique<TempDir>();
  const fs::path root = lookupRoot->path();
  const fs::path mime = systemMimeFolder();
  if (mime.empty()) {
    setupProblem = "no shared MIME database (package shared-mime-info)";
    return;
  }
  fs::create_directories(root / "system");
  fs::create_directory_symlink(mime, root / "system" / "mime");
  fs::create_directories(root / "sysconfig");
  fs::create_directories(root / "config");
  fs::create_directories(root / "bin");
  fs::create_directories(root / fs::path(kPlayerAt).parent_path());
  fs::create_symlink(VARNO_TESTPLAYER, root / kPlayerAt);
  fs::create_symlink(VARNO_TESTPLAYER, root / "bin" / kBarePlayer);

  setenv("XDG_DATA_HOME", (root / "data").c_str(), 1);
  setenv("XDG_DATA_DIRS", (root / "system").c_str(), 1);
  setenv("XDG_CONFIG_HOME", (root / "config").c_str(), 1);
  setenv("XDG_CONFIG_DIRS", (root / "sysconfig").c_str(), 1);
  const char* path = std::getenv("PATH");
  setenv("PATH", ((root / "bin").string() + ":" + (path ? path : "/usr/bin:/bin")).c_str(), 1);

  std::string defaults = "[Default Applications]\n";
  std::set<std::string> types;
  int index = 0;
  for (const Scenario& s : kScenarios) {
    const fs::path document = root / s.document;
    if (s.documentExists) writeFile(document, "");
    if (!s.exec) continue;
    std::string type = guessType(document);
    if (type.empty() || type == "application/octet-stream" || !types.insert(type).second) {
      setupProblem = std::string("unusable content type '") + type + "' for " + s.document;
      return;
    }
    const std::string id = "varno-test-" + std::to_string(index++) + ".desktop";
    // The WAVE type has several names across MIME databases; associate them all.
    if (document.extension() == ".wav") type += ";audio/x-wav;audio/wav;audio/vnd.wave";
    writeFile(root / "data" / "applications" / id,
              "[Desktop Entry]\nType=Application\nName=" + id +
                  "\nExec=" + replaced(s.exec, "{player}", (root / kPlayerAt).string()) +
                  "\nMimeType=" + type + ";\n");
    std::istringstream each(type);
    for (std::string one; std::getline(each, one, ';');) defaults += one + "=" + id + "\n";
  }
  writeFile(root / "config" / "mimeapps.list", defaults);
}

TEST(ProgramLookup, AnswersEachScenario) {
  ASSERT_EQ(setupProblem, "");
  for (const Scenario& s : kScenarios) {
    SCOPED_TRACE(s.name);
    const ProgramLookup found = lookUpProgram((lookupRoot->path() / s.document).string());
    EXPECT_EQ(found.code, s.code);
    EXPECT_EQ(found.program, s.program ? (lookupRoot->path() / s.program).string() : "");
  }
  EXPECT_EQ(lookUpProgram("").code, 2);
}

TEST(ProgramAfterEnv, SkipsOptionsAndAssignments) {
  struct Row {
    std::vector<std::string> argv;
    std::optional<std::string> program;
  };
  const Row rows[] = {
      {{"env", "vlc", "%U"}, "vlc"},
      {{"/usr/bin/env", "LANG=C", "A=b=c", "vlc"}, "vlc"},
      {{"env", "-i", "-u", "X", "--unset=Y", "-C", "/tmp", "--chdir", "/", "A=1", "vlc"}, "vlc"},
      {{"env", "-uX", "-iv", "-0", "vlc", "--fullscreen"}, "vlc"},
      {{"env", "-iu", "X", "vlc"}, "vlc"},
      {{"env", "--", "A=1", "vlc"}, "vlc"},
      {{"env", "-", "--ignore-signal=PIPE", "/opt/My Player/play", "%f"}, "/opt/My Player/play"},
      {{"env", "A=1", "-i"}, "-i"},  // after an assignment a dash word is the command
      {{"env", "-S", "vlc --x"}, std::nullopt},
      {{"env", "-vS", "vlc"}, std::nullopt},
      {{"env", "--split-string=vlc"}, std::nullopt},
      {{"env", "--bogus", "vlc"}, std::nullopt},
      {{"env", "-x", "vlc"}, std::nullopt},
      {{"env", "A=1", "%f"}, std::nullopt},
      {{"env", "-u"}, std::nullopt},
      {{"env"}, std::nullopt},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(testing::PrintToString(r.argv));
    EXPECT_EQ(programAfterEnv(r.argv), r.program);
  }
}

}  // namespace varno::test
