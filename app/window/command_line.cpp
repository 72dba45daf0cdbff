#include "window/command_line.h"

#include <QByteArray>
#include <QUrl>

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

}  // namespace

CommandLine parseCommandLine(const std::vector<std::string>& arguments,
                             const std::string& workingDir) {
  CommandLine line;
  bool options = true;
  for (const std::string& argument : arguments) {
    if (options && argument == "--") {
      options = false;
    } else if (options && (argument == "--help" || argument == "-h")) {
      return {CommandLine::Request::Help, {}, {}};
    } else if (options && argument == "--version") {
      return {CommandLine::Request::Version, {}, {}};
    } else if (options && argument.starts_with('-') && argument != "-") {
      return {CommandLine::Request::Wrong, {}, argument};
    } else if (line.file.empty()) {
      line.file = localPath(argument, workingDir);
      if (line.file.empty()) return {CommandLine::Request::Wrong, {}, argument};
    }
  }
  return line;
}

std::string helpText() {
  return "Usage: Varno [FILE.wav]\n"
         "Shows a PCM WAVE file's samples and waveform, re-samples it at lower rates and plays\n"
         "both sounds in the desktop's player. A FILE is opened as if it had been dropped on the\n"
         "window.\n\n"
         "  --help     show this help and exit\n"
         "  --version  show the version and exit\n";
}

std::string versionText() { return "Varno " VARNO_VERSION "\n"; }

}  // namespace varno::window
