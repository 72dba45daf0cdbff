#pragma once
// Qt's own texts in the window's language.

namespace varno::window {

// Installs Qt's Japanese translation (qtbase_ja, from qt6-translations-l10n), so that its
// dialogs and the text boxes' menus speak as the window does, whatever the user's locale.
// Call it once the application object exists; false when the translation is not installed.
bool loadQtTranslations();

}  // namespace varno::window
