#include "desktop/program_lookup.h"

#include <gio/gdesktopappinfo.h>
#include <gio/gio.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <memory>
#include <string_view>

namespace varno::desktop {

namespace {

struct GFreeDeleter {
  void operator()(gpointer p) const { g_free(p); }
};
struct GStrvDeleter {
  void operator()(gchar** p) const { g_strfreev(p); }
};
struct GObjectDeleter {
  void operator()(gpointer p) const { g_object_unref(p); }
};
using OwnedText = std::unique_ptr<gchar, GFreeDeleter>;
template <typename T>
using Owned = std::unique_ptr<T, GObjectDeleter>;

enum class EnvOption { Flag, TakesValue, Unsupported };

// How env treats one of its long options (given without a value attached).
EnvOption longEnvOption(std::string_view name) {
  if (name == "ignore-environment" || name == "null" || name == "debug" || name == "block-signal" ||
      name == "default-signal" || name == "ignore-signal" || name == "list-signal-handling")
    return EnvOption::Flag;
  if (name == "unset" || name == "chdir") return EnvOption::TakesValue;
  return EnvOption::Unsupported;
}

std::string absoluteProgram(const std::string& program) {
  OwnedText found(g_find_program_in_path(program.c_str()));
  return found ? std::string(found.get()) : std::string();
}

// The argument vector of the application's command line, field codes included.
std::vector<std::string> commandLineOf(GAppInfo* app) {
  const char* commandLine = g_app_info_get_commandline(app);
  gchar** argv = nullptr;
  if (!commandLine || !g_shell_parse_argv(commandLine, nullptr, &argv, nullptr)) return {};
  std::unique_ptr<gchar*, GStrvDeleter> owned(argv);
  std::vector<std::string> words;
  for (gchar** word = argv; *word; ++word) words.emplace_back(*word);
  return words;
}

std::string baseName(const std::string& path) {
  const auto slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

struct DefaultApplication {
  LookupResult result = LookupResult::Failed;
  Owned<GAppInfo> app;  // set when Found
};

// The content type is guessed from the name alone, since the content of a short WAVE file
// reads as text.
DefaultApplication defaultApplicationFor(const std::string& document) {
  if (document.empty() || access(document.c_str(), F_OK) != 0) {
    const bool missing = document.empty() || errno == ENOENT || errno == ENOTDIR;
    return {missing ? LookupResult::NoDocument : LookupResult::Failed, nullptr};
  }
  OwnedText type(g_content_type_guess(document.c_str(), nullptr, 0, nullptr));
  if (!type) return {LookupResult::Failed, nullptr};
  Owned<GAppInfo> app(g_app_info_get_default_for_type(type.get(), FALSE));
  if (!app) return {LookupResult::NoAssociation, nullptr};
  return {LookupResult::Found, std::move(app)};
}

struct Spawned {
  ChildProcesses* children;
  ProcessId process = 0;
};

void onSpawned(GDesktopAppInfo*, GPid pid, gpointer data) {
  auto* spawned = static_cast<Spawned*>(data);
  spawned->children->adopt(pid);
  // One file makes one process; another would still be ours to reap.
  if (spawned->process == 0)
    spawned->process = pid;
  else
    spawned->children->release(pid);
}

// Runs in the child before its exec: the player gets the signal handling a program started
// from a shell has, whatever the window ignores or blocks.
void defaultSignals(gpointer) {
  sigset_t none;
  sigemptyset(&none);
  sigprocmask(SIG_SETMASK, &none, nullptr);
  for (int number = 1; number < NSIG; ++number) signal(number, SIG_DFL);
}

}  // namespace

std::optional<std::string> programAfterEnv(const std::vector<std::string>& argv) {
  std::size_t i = 1;
  bool options = true;
  for (; i < argv.size(); ++i) {
    const std::string& word = argv[i];
    if (options && word == "--") {
      options = false;
    } else if (options && word == "-") {
      // A lone dash is the old spelling of -i.
    } else if (options && word.starts_with("--")) {
      const std::string_view option = std::string_view(word).substr(2);
      const auto equals = option.find('=');
      const EnvOption kind = longEnvOption(option.substr(0, equals));
      if (kind == EnvOption::Unsupported) return std::nullopt;
      if (kind == EnvOption::TakesValue && equals == std::string_view::npos) ++i;
    } else if (options && word.size() > 1 && word[0] == '-') {
      for (std::size_t c = 1; c < word.size(); ++c) {
        const char flag = word[c];
        if (flag == 'i' || flag == '0' || flag == 'v') continue;
        if (flag != 'u' && flag != 'C') return std::nullopt;
        if (c + 1 == word.size()) ++i;  // the value is the next word
        break;
      }
    } else if (word.find('=') != std::string::npos) {
      options = false;  // assignments end the options
    } else {
      break;
    }
  }
  if (i >= argv.size() || argv[i].starts_with('%')) return std::nullopt;
  return argv[i];
}

ProgramLookup lookUpProgram(const std::string& document) {
  const DefaultApplication found = defaultApplicationFor(document);
  if (!found.app) return {found.result, {}};

  // The command line rather than g_app_info_get_executable, which cuts a quoted path at its
  // first blank.
  const std::vector<std::string> words = commandLineOf(found.app.get());
  if (words.empty()) return {LookupResult::Failed, {}};
  std::string program = words.front();
  // A wrapper would be started with the document as its command; the player is what it runs.
  if (baseName(program) == "env") {
    const auto wrapped = programAfterEnv(words);
    if (!wrapped) return {LookupResult::Failed, {}};
    program = *wrapped;
  }
  std::string path = absoluteProgram(program);
  if (path.empty()) return {LookupResult::Failed, {}};
  return {LookupResult::Found, path};
}

PlayerLaunch launchAssociatedProgram(const std::string& document, const std::string& file,
                                     ChildProcesses& children) {
  const DefaultApplication found = defaultApplicationFor(document);
  if (!found.app || file.empty()) return {};
  // A URI keeps the path's own bytes, UTF-8 or not, and %f turns it back into them.
  Owned<GFile> location(g_file_new_for_path(file.c_str()));
  OwnedText uri(g_file_get_uri(location.get()));
  GList uris{uri.get(), nullptr, nullptr};
  GError* error = nullptr;

  if (!G_IS_DESKTOP_APP_INFO(found.app.get())) {
    const bool launched = g_app_info_launch_uris(found.app.get(), &uris, nullptr, &error);
    g_clear_error(&error);
    return {launched ? LaunchResult::Handed : LaunchResult::Failed, 0};
  }
  // GIO quotes each expanded path or URI into the Exec line, splits the line with
  // g_shell_parse_argv and executes that vector through a helper (gio-launch-desktop, or
  // sh -c 'exec "$@"' in later versions) that only sets GIO_LAUNCHED_DESKTOP_FILE_PID and execs
  // it, so no shell ever reads the file's name or bytes. SEARCH_PATH is GIO's own default, by
  // which that helper may be found. Without DO_NOT_REAP_CHILD GLib would fork the player from
  // an intermediate process, and its id would not be our child's.
  Spawned spawned{&children};
  const auto flags = static_cast<GSpawnFlags>(G_SPAWN_SEARCH_PATH | G_SPAWN_DO_NOT_REAP_CHILD);
  const bool launched = g_desktop_app_info_launch_uris_as_manager(
      G_DESKTOP_APP_INFO(found.app.get()), &uris, nullptr, flags, defaultSignals, nullptr,
      onSpawned, &spawned, &error);
  g_clear_error(&error);
  if (spawned.process != 0) return {LaunchResult::Started, spawned.process};
  // A D-Bus activatable application is asked to open the file and starts no process of ours.
  return {launched ? LaunchResult::Handed : LaunchResult::Failed, 0};
}

}  // namespace varno::desktop
