#include <QApplication>
#include <QCoreApplication>

#include "desktop.h"
#include "fonts.h"
#include "form_varno.h"

int main(int argc, char** argv) {
  // The aliases must be in place before the application builds its font database.
  varno_fonts::loadFontAliases();
  QApplication app(argc, argv);
  const std::unique_ptr<varno::Desktop> desktop = varno::makeDesktop();
  formVarno window(*desktop, QCoreApplication::applicationDirPath());
  return app.exec();
}
