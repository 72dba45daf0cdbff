#include "window/fonts.h"

#include <fontconfig/fontconfig.h>

#include <QFile>

namespace varno::window {

bool loadFontAliases() {
  QFile file(QStringLiteral(":/varno/varno-fonts.conf"));
  if (!file.open(QIODevice::ReadOnly)) return false;
  const QByteArray xml = file.readAll();
  if (!FcInit()) return false;
  return FcConfigParseAndLoadFromMemory(FcConfigGetCurrent(),
                                        reinterpret_cast<const FcChar8*>(xml.constData()),
                                        FcTrue) == FcTrue;
}

}  // namespace varno::window
