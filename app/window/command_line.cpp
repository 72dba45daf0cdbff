#include "window/command_line.h"

#include <QByteArray>
#include <QUrl>
#include <algorithm>
#include <array>
#include <string_view>

#include "window/drop_box.h"

namespace varno::window {

namespace {

std::string localPath(const std::string& argument, const std::string& workingDir) {
  // A URL, as some file managers pass even for %f, names its file as a drop does.
  if (argument.starts_with("file:")) {
    const QUrl url = QUrl::fromEncoded(QByteArray::fromStdString(argument));
    const bool here = url.host().isEmpty() || url.host() == QLatin1String("localhost");
    return here ? localPathBytes(url) : std::string();
  }
  if (argument.starts_with('/')) return argument;
  return workingDir.ends_with('/') ? workingDir + argument : workingDir + '/' + argument;
}

struct QtOption {
  std::string_view name;
  bool takesValue;
};

// The toolkit's own options; each may also be written with two dashes, a value also after "=".
constexpr std::array<QtOption, 19> kQtOptions{{
    {"style", true},
    {"stylesheet", true},
    {"platform", true},
    {"platformpluginpath", true},
    {"platformtheme", true},
    {"plugin", true},
    {"qwindowgeometry", true},
    {"qwindowicon", true},
    {"qwindowtitle", true},
    {"session", true},
    {"display", true},
    {"geometry", true},
    {"name", true},
    {"qmljsdebugger", true},
    {"widgetcount", false},
    {"reverse", false},
    {"nograb", false},
    {"dograb", false},
    {"sync", false},
}};

const QtOption* qtOption(std::string_view name) {
  const auto found = std::find_if(kQtOptions.begin(), kQtOptions.end(),
                                  [&](const QtOption& o) { return o.name == name; });
  return found == kQtOptions.end() ? nullptr : &*found;
}

}  // namespace

CommandLine parseCommandLine(const std::vector<std::string>& arguments,
                             const std::string& workingDir) {
  CommandLine line;
  bool options = true;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    std::string_view option = argument;
    option.remove_prefix(option.starts_with("--") ? 2 : option.starts_with('-') ? 1 : 0);
    const std::size_t equals = option.find('=');
    const QtOption* qt =
        options && argument.starts_with('-') ? qtOption(option.substr(0, equals)) : nullptr;
    if (qt != nullptr && (!qt->takesValue || equals != std::string_view::npos)) {
      if (qt->name == "platform") line.platform = option.substr(equals + 1);
    } else if (qt != nullptr && i + 1 < arguments.size()) {
      if (qt->name == "platform") line.platform = arguments[i + 1];
      ++i;
    } else if (options && argument == "--") {
      options = false;
    } else if (options && (argument == "--help" || argument == "-h")) {
      return {CommandLine::Request::Help, {}, {}, {}};
    } else if (options && argument == "--version") {
      return {CommandLine::Request::Version, {}, {}, {}};
    } else if (options && argument.starts_with('-') && argument != "-") {
      return {CommandLine::Request::Wrong, {}, argument, {}};
    } else if (line.file.empty()) {
      line.file = localPath(argument, workingDir);
      if (line.file.empty()) return {CommandLine::Request::Wrong, {}, argument, {}};
    }
  }
  return line;
}

std::string helpText() {
  return "Usage: Varno [FILE]\n"
         "Shows a PCM WAVE file's samples and waveform, re-samples it at lower rates and plays\n"
         "both sounds in the desktop's player. A FILE is opened as if it had been dropped on the\n"
         "window; another sound file (FLAC, MP3, Ogg, Opus, AIFF ...) is offered for "
         "conversion.\n\n"
         "  --help     show this help and exit\n"
         "  --version  show the version and exit\n\n"
         "The options every Qt program takes (-style, -platform, -reverse, ...) are taken too.\n";
}

std::string versionText() { return "Varno " VARNO_VERSION "\n"; }

}  // namespace varno::window
