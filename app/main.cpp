#include <QApplication>
#include <QCoreApplication>
#include <QFile>
#include <QMessageBox>
#include <QScreen>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "desktop/desktop.h"
#include "pipeline/capture.h"
#include "pipeline/data_folder.h"
#include "window/command_line.h"
#include "window/file_handover.h"
#include "window/fonts.h"
#include "window/form_varno.h"
#include "window/language.h"
#include "window/screen_fit.h"

namespace {

// A message box titled with the program's name, and the same words on standard error for
// a start from a terminal.
int refuseToStart(const QString& text) {
  std::fprintf(stderr, "Varno: %s\n", text.toLocal8Bit().constData());
  QMessageBox box(QMessageBox::Warning, QStringLiteral("Varno"), text, QMessageBox::Ok);
  box.exec();
  return 1;
}

QString folderName(const std::filesystem::path& folder) {
  return QFile::decodeName(folder.c_str());
}

std::string environment(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

std::string workingDir() {
  std::error_code error;
  return std::filesystem::current_path(error).string();
}

}  // namespace

int main(int argc, char** argv) {
  using varno::window::CommandLine;
  // Answered before the toolkit starts, so they work without a display.
  const CommandLine command =
      varno::window::parseCommandLine({argv + 1, argv + argc}, workingDir());
  switch (command.request) {
    case CommandLine::Request::Help:
      return std::fputs(varno::window::helpText().c_str(), stdout) < 0;
    case CommandLine::Request::Version:
      return std::fputs(varno::window::versionText().c_str(), stdout) < 0;
    case CommandLine::Request::Wrong:
      std::fprintf(stderr, "Varno: %s '%s'\n%s",
                   command.wrong.starts_with('-') ? "unknown option" : "cannot open",
                   command.wrong.c_str(), varno::window::helpText().c_str());
      return 2;
    case CommandLine::Request::Window: break;
  }
  if (const std::string why = varno::desktop::missingDisplay(command.platform); !why.empty()) {
    std::fprintf(stderr, "Varno: %s.\nStart it from a desktop session (X11 or Wayland).\n",
                 why.c_str());
    return 1;
  }
  // Before the toolkit, which takes the X11 startup id for itself.
  const std::string token = varno::window::FileHandover::launcherToken();
  // Asked for on the command line, not through QT_QPA_PLATFORM, which the player would inherit.
  std::vector<char*> arguments(argv, argv + argc);
  char platformOption[] = "-platform";
  std::string platform = varno::desktop::preferredPlatform(
      command.platform.empty() ? environment("QT_QPA_PLATFORM") : command.platform,
      environment("XDG_CURRENT_DESKTOP"), !environment("WAYLAND_DISPLAY").empty(),
      !environment("DISPLAY").empty());
  if (!platform.empty()) arguments.insert(arguments.begin() + 1, {platformOption, platform.data()});
  int count = static_cast<int>(arguments.size());
  arguments.push_back(nullptr);
  // The aliases must be in place before the application builds its font database.
  varno::window::loadFontAliases();
  QApplication app(count, arguments.data());
  if (!varno::window::loadQtTranslations())
    std::fprintf(stderr, "Varno: Qt's Japanese texts (qt6-translations-l10n) are not installed\n");
  // Wayland compositors find the menu entry, and with it the icon, by this name.
  QGuiApplication::setDesktopFileName(QStringLiteral("io.github.varno.Varno"));
  const QString programDir = QCoreApplication::applicationDirPath();
  const varno::pipeline::DataFolder data = varno::pipeline::chooseDataFolder(
      QFile::encodeName(programDir).toStdString(), std::getenv("XDG_DATA_HOME"),
      std::getenv("HOME"), varno::pipeline::writableFolder);
  if (!data.writable)
    return refuseToStart(QStringLiteral("作業用のフォルダに書き込めないため、起動できません。\n") +
                         folderName(data.path));
  // Every file named takes the road of a drop, in the window that runs; the window says what
  // it cannot open.
  const bool openable = !command.file.empty();
  const varno::pipeline::InstanceLock lock(data.path);
  if (!lock.held() && openable &&
      varno::window::FileHandover::handTo(folderName(data.path), {command.file, token}))
    return 0;
  if (!lock.held())
    return refuseToStart(QStringLiteral("Varno はすでに起動しています。\n同じ作業用のフォルダ（") +
                         folderName(data.path) + QStringLiteral("）を使う Varno は一つだけです。"));
  const std::unique_ptr<varno::desktop::Desktop> desktop = varno::desktop::makeDesktop();
  varno::window::formVarno window(*desktop, programDir, folderName(data.path));
  const varno::window::ScreenFit fit(window, window.screen()->availableGeometry());
  // A file named on the command line comes in as a drop, once the window is up; so does one
  // that a later start hands over, with the window brought forward where the session lets it.
  if (openable)
    QTimer::singleShot(0, &window, [&window, file = command.file] { window.openFile(file); });
  const varno::window::FileHandover handover(folderName(data.path),
                                             [&window](const varno::window::HandedFile& handed) {
                                               window.comeForward(handed.token);
                                               window.openFile(handed.file);
                                             });
  return app.exec();
}
