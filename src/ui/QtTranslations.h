// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Qt's own texts in Russian: the file dialogs, the message boxes' buttons, the context menus of
// text fields. The windows' own texts are Russian already; Qt's come from its translation files
// (Debian's qt6-translations-l10n), read from Qt's translations folder.
namespace kavrol::QtTranslations {

// Installs Qt's Russian translations on the running application. Returns false, changing
// nothing, when they are not installed: Qt's texts then stay English.
bool installRussian();

} // namespace kavrol::QtTranslations
