// German for the toolkit's own texts: standard buttons ("Abbrechen"), file
// dialogs, the edit fields' context menus. Zelmora's own texts are German
// already; without this the windows would mix in the toolkit's English.
#pragma once

class QCoreApplication;

namespace zelmora {

// Loads the toolkit's German translations (Debian: qt6-translations-l10n)
// into app and makes German the default locale. False when the translation
// files are missing; the program then runs with the toolkit's English.
bool InstallGermanTranslations(QCoreApplication& app);

}  // namespace zelmora
