#pragma once

// Qt's own dialogs and standard buttons in French, like the program's texts (Debian's
// qt6-translations-l10n). False, logged, when the translation is not installed: Qt then
// speaks English and nothing else changes.
bool InstallQtFrench();
