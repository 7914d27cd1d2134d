// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QCoreApplication;

// Qt's own texts in French (file dialog, standard buttons, context menus),
// from the translations installed with Qt. The program's own texts are
// written in the code and stay as they are. False when Qt's French
// translations are not installed (Debian: qt6-translations-l10n): Qt then
// speaks English.
bool installQtFrenchTranslations(QCoreApplication &application);
