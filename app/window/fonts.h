#pragma once
// The window's fonts: the Windows font names of its controls, and the fontconfig aliases
// that map them onto fonts of this system.

#include <QString>

namespace varno::window {

// The fixed-pitch font of the rate list and the proportional one of the axis captions.
inline const QString kFixedGothic = QStringLiteral("ＭＳ ゴシック");
inline const QString kProportionalGothic = QStringLiteral("ＭＳ Ｐゴシック");

// Loads the window's font aliases into fontconfig's current configuration. Call it before
// the application object exists, so that Qt's font database is built with them. False when
// fontconfig refused them.
bool loadFontAliases();

}  // namespace varno::window
