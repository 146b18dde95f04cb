// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLocale>

class QCoreApplication;

namespace quinmare {

// Installs the translations for a language: the program's own (compiled in)
// and Qt's (the text boxes' menus), replacing any installed before. With no
// catalogue for the language the program speaks English. The window's
// captions are the same in every language and are not translated.
// Returns whether the program's own catalogue was found.
bool InstallTranslations(QCoreApplication& app, const QLocale& locale = QLocale::system());

}  // namespace quinmare
