#include <QApplication>
#include <QCoreApplication>
#include <QFile>
#include <QMessageBox>
#include <cstdio>
#include <cstdlib>

#include "data_folder.h"
#include "desktop.h"
#include "fonts.h"
#include "form_varno.h"

namespace {

// A message box titled with the program's name, and the same words on standard error for
// a start from a terminal.
int refuseToStart(const QString& text) {
  std::fprintf(stderr, "Varno: %s\n", text.toLocal8Bit().constData());
  QMessageBox box(QMessageBox::Warning, QStringLiteral("Varno"), text, QMessageBox::Ok);
  box.exec();
  return 1;
}

QString folderName(const std::filesystem::path& folder) { return QFile::decodeName(folder.c_str()); }

}  // namespace

int main(int argc, char** argv) {
  // The aliases must be in place before the application builds its font database.
  varno_fonts::loadFontAliases();
  QApplication app(argc, argv);
  // Wayland compositors find the menu entry, and with it the icon, by this name.
  QGuiApplication::setDesktopFileName(QStringLiteral("io.github.varno.Varno"));
  const QString programDir = QCoreApplication::applicationDirPath();
  const varno::pipeline::DataFolder data = varno::pipeline::chooseDataFolder(
      QFile::encodeName(programDir).toStdString(), std::getenv("XDG_DATA_HOME"), std::getenv("HOME"),
      varno::pipeline::writableFolder);
  if (!data.writable)
    return refuseToStart(QStringLiteral("作業用のフォルダに書き込めないため、起動できません。\n") +
                         folderName(data.path));
  const varno::pipeline::InstanceLock lock(data.path);
  if (!lock.held())
    return refuseToStart(QStringLiteral("Varno はすでに起動しています。\n同じ作業用のフォルダ（") +
                         folderName(data.path) + QStringLiteral("）を使う Varno は一つだけです。"));
  const std::unique_ptr<varno::Desktop> desktop = varno::makeDesktop();
  formVarno window(*desktop, programDir, folderName(data.path));
  return app.exec();
}
