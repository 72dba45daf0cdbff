#include <gio/gio.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <set>
#include <sstream>

#include "desktop/fallback_desktop.h"
#include "desktop/program_lookup.h"
#include "test_support.h"

namespace varno::desktop::test {

namespace {

namespace fs = std::filesystem;

constexpr const char* kPlayerAt = "プレーヤー 置き場/varno_testplayer";
constexpr const char* kBarePlayer = "varno-bare-player";

struct Scenario {
  const char* name;
  const char* document;  // under the temporary root
  bool documentExists;
  const char* exec;  // the associated application's command line; nullptr: none
  LookupResult result;
  const char* program;  // expected program under the temporary root; nullptr: none
};

// {player} stands for the absolute path of the test player in a folder with a blank and
// Japanese characters in its name.
const Scenario kScenarios[] = {
    {"absolute path, empty WAVE", "docs/音 テスト 'a'.wav", true, "\"{player}\" %f",
     LookupResult::Found, kPlayerAt},
    {"bare name found on PATH", "docs/x.flac", true, "varno-bare-player %U", LookupResult::Found,
     "bin/varno-bare-player"},
    {"env wrapper", "docs/x.mp3", true, "env -u SESSION_MANAGER LANG=C varno-bare-player %F",
     LookupResult::Found, "bin/varno-bare-player"},
    {"env wrapper of a missing program", "docs/x.au", true, "env LANG=C varno-no-such-player %f",
     LookupResult::Failed, nullptr},
    {"no association", "docs/x.mid", true, nullptr, LookupResult::NoAssociation, nullptr},
    {"missing document", "docs/missing.wav", false, nullptr, LookupResult::NoDocument, nullptr},
    {"document under a file", "docs/x.mid/x.wav", false, nullptr, LookupResult::NoDocument,
     nullptr},
};

// Launches, each through an association of its own content type. {player} as above; {bin}
// the private folder on PATH, which holds the test player as varno-bare-player; {flatpak} the
// test player's stand-in for flatpak.
struct Launch {
  const char* name;
  const char* document;  // under the temporary root; its type chooses the association
  const char* exec;      // nullptr: the document's association is already written
  bool uris;             // %U gives URIs (X-GIO-NoFuse), as a sandboxed player wants them
  const char* file;      // the file opened, under the temporary root
  std::vector<std::string> leading;  // the player's arguments before the file
  const char* environment;           // an entry the player's environment holds; nullptr: none
};

constexpr const char* kSong = "songs/音 テスト.wav";

const Launch kLaunches[] = {
    {"plain command", "launch/a.aiff", "\"{player}\" %f", false, kSong, {}, nullptr},
    {"file as the argument of sh -c",
     "launch/b.voc",
     R"(sh -c "exec {bin}/varno-bare-player \\"\\$1\\"" sh %f)",
     false,
     kSong,
     {},
     nullptr},
    {"env with an assignment, a flag and %U",
     "launch/c.ape",
     "env VARNO_X=1 varno-bare-player --flag %U",
     false,
     kSong,
     {"--flag"},
     "VARNO_X=1"},
    {"flatpak file forwarding",
     "launch/d.wv",
     "{flatpak} run --branch=stable --file-forwarding org.example.Player @@u %U @@",
     true,
     kSong,
     {},
     nullptr},
    {"file name that is not UTF-8",
     "launch/a.aiff",
     nullptr,
     false,
     "songs/\xff\xfe \xe9.wav",
     {},
     nullptr},
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
  for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + by.size()))
    text.replace(at, what.size(), by);
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

  const auto placed = [&](std::string text) {
    text = replaced(text, "{player}", (root / kPlayerAt).string());
    text = replaced(text, "{bin}", (root / "bin").string());
    return replaced(text, "{flatpak}", VARNO_FLATPAK);
  };

  std::string defaults = "[Default Applications]\n";
  std::set<std::string> types;
  int index = 0;
  // GIO reads the associations once, so every one is written before its first call.
  const auto associate = [&](const fs::path& document, const char* exec, bool uris) {
    std::string type = guessType(document);
    if (type.empty() || type == "application/octet-stream" || !types.insert(type).second) {
      setupProblem = "unusable content type '" + type + "' for " + document.string();
      return;
    }
    const std::string id = "varno-test-" + std::to_string(index++) + ".desktop";
    // The WAVE type has several names across MIME databases; associate them all.
    if (document.extension() == ".wav") type += ";audio/x-wav;audio/wav;audio/vnd.wave";
    writeFile(root / "data" / "applications" / id,
              "[Desktop Entry]\nType=Application\nName=" + id + "\nExec=" + placed(exec) +
                  "\nMimeType=" + type + ";\n" + (uris ? "X-GIO-NoFuse=true\n" : ""));
    std::istringstream each(type);
    for (std::string one; std::getline(each, one, ';');) defaults += one + "=" + id + "\n";
  };
  for (const Scenario& s : kScenarios) {
    if (s.documentExists) writeFile(root / s.document, "");
    if (s.exec) associate(root / s.document, s.exec, false);
  }
  for (const Launch& l : kLaunches) {
    writeFile(root / l.document, "");
    if (l.exec) associate(root / l.document, l.exec, l.uris);
  }
  writeFile(root / "config" / "mimeapps.list", defaults);
}

TEST(ProgramLookup, AnswersEachScenario) {
  ASSERT_EQ(setupProblem, "");
  for (const Scenario& s : kScenarios) {
    SCOPED_TRACE(s.name);
    const ProgramLookup found = lookUpProgram((lookupRoot->path() / s.document).string());
    EXPECT_EQ(found.result, s.result);
    EXPECT_EQ(found.program, s.program ? (lookupRoot->path() / s.program).string() : "");
  }
  EXPECT_EQ(lookUpProgram("").result, LookupResult::NoDocument);
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

TEST(LaunchPlayer, RunsTheAssociationsOwnCommandLineOnTheFile) {
  ASSERT_EQ(setupProblem, "");
  const fs::path root = lookupRoot->path();
  const fs::path record = root / "record";
  const fs::path player = fs::canonical(VARNO_TESTPLAYER);
  const auto desktop = makeDesktop();
  for (const Launch& l : kLaunches) {
    SCOPED_TRACE(l.name);
    // Were the file run as a script, it would leave a mark.
    const fs::path file = root / l.file;
    writeFile(file, "touch '" + (root / "pwned").string() + "'\n");
    fs::remove(record);
    setenv("VARNO_TESTPLAYER_RECORD", record.c_str(), 1);
    const PlayerLaunch launched = desktop->launchPlayer((root / l.document).string(), file);
    unsetenv("VARNO_TESTPLAYER_RECORD");
    KillOnExit guard(launched.process);
    ASSERT_EQ(launched.result, LaunchResult::Started);
    const bool recorded = waitFor([&] { return fs::exists(record); });
    EXPECT_FALSE(fs::remove(root / "pwned")) << "the file was run as a script";
    EXPECT_TRUE(recorded);
    if (!recorded) continue;
    std::string expected;
    for (const std::string& arg : l.leading) expected += arg + "\n";
    EXPECT_EQ(readFile(record), expected + file.string() + "\n");

    // Every wrapper execs what it wraps, so the process is the player itself.
    const fs::path process = "/proc/" + std::to_string(launched.process);
    EXPECT_EQ(fs::read_symlink(process / "exe"), player);
    if (l.environment) {
      const std::string environment = '\0' + readFile(process / "environ");
      EXPECT_NE(environment.find('\0' + std::string(l.environment) + '\0'), std::string::npos);
    }
    EXPECT_FALSE(desktop->processEnded(launched.process));
    desktop->endProcess(launched.process);
    EXPECT_TRUE(desktop->processEnded(launched.process));
    EXPECT_FALSE(processRunning(launched.process));
  }
  for (const char* nothing : {"docs/x.mid", "docs/missing.wav"})
    EXPECT_EQ(desktop->launchPlayer((root / nothing).string(), (root / kSong).string()).result,
              LaunchResult::Failed)
        << nothing;
}

TEST(LaunchPlayer, TellsAFailedPlayerFromOneThatFinished) {
  ASSERT_EQ(setupProblem, "");
  struct Row {
    const char* document;
    const char* exitStatus;  // VARNO_TESTPLAYER_EXIT; nullptr: unset
    bool failed;
  };
  const Row rows[] = {
      {"launch/a.aiff", "3", true},
      {"launch/a.aiff", "0", false},
      // GIO starts a command whose program is missing, and that process fails.
      {"docs/x.au", nullptr, true},
  };
  const auto desktop = makeDesktop();
  for (const Row& r : rows) {
    SCOPED_TRACE(std::string(r.document) + " " + (r.exitStatus ? r.exitStatus : "-"));
    if (r.exitStatus) setenv("VARNO_TESTPLAYER_EXIT", r.exitStatus, 1);
    const PlayerLaunch launched = desktop->launchPlayer((lookupRoot->path() / r.document).string(),
                                                        (lookupRoot->path() / kSong).string());
    unsetenv("VARNO_TESTPLAYER_EXIT");
    KillOnExit guard(launched.process);
    ASSERT_EQ(launched.result, LaunchResult::Started);
    ASSERT_TRUE(waitFor([&] { return desktop->processEnded(launched.process); }));
    EXPECT_EQ(desktop->processFailed(launched.process), r.failed);
  }
}

}  // namespace varno::desktop::test
