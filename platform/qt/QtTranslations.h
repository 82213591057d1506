#pragma once
// Qt's own texts (the file dialogs, the overwrite question, the standard buttons)
// in the desktop's language, as the platform's own dialogs would be.

namespace qt {

// Installs Qt's translation for the user's locale on the running application,
// from Qt's translations folder (Debian: qt6-translations-l10n). False when
// there is none for that locale: Qt's texts stay English.
bool LoadQtTranslations();

} // namespace qt
