#include "program_lookup.h"

#include <gio/gio.h>
#include <unistd.h>

#include <cerrno>
#include <memory>
#include <string_view>

namespace varno {

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
  if (document.empty() || access(document.c_str(), F_OK) != 0) {
    const bool missing = document.empty() || errno == ENOENT || errno == ENOTDIR;
    return {missing ? 2 : 0, {}};
  }
  OwnedText type(g_content_type_guess(document.c_str(), nullptr, 0, nullptr));
  if (!type) return {0, {}};
  std::unique_ptr<GAppInfo, GObjectDeleter> app(g_app_info_get_default_for_type(type.get(), FALSE));
  if (!app) return {31, {}};

  // The command line rather than g_app_info_get_executable, which cuts a quoted path at its
  // first blank.
  const std::vector<std::string> words = commandLineOf(app.get());
  if (words.empty()) return {0, {}};
  std::string program = words.front();
  // A wrapper would be started with the document as its command; the player is what it runs.
  if (baseName(program) == "env") {
    const auto wrapped = programAfterEnv(words);
    if (!wrapped) return {0, {}};
    program = *wrapped;
  }
  std::string path = absoluteProgram(program);
  if (path.empty()) return {0, {}};
  return {42, path};
}

}  // namespace varno
