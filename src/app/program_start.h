// The start of the window program: the application's title, fonts and number
// locale, the check that GDAL and PROJ have what the runs need, and the main
// window (which creates the settings dialog) shown until it is closed.
#pragma once

#include <QString>
#include <QStringList>

class QApplication;

namespace tarvik {

// Sets the application up: title "Tarvik", the Windows font names of settings
// files mapped to installed faces, "." as the decimal point of C number
// conversions whatever the desktop's locale, Qt's own texts in Chinese.
void PrepareApplication(QApplication& app);

// Loads Qt's own Chinese texts (qtbase_zh_CN from Qt's translations folder,
// Debian's qt6-translations-l10n). False when they are not installed: Qt's
// buttons then stay in English.
bool InstallQtTranslations(QApplication& app);

// The message naming what GDAL or PROJ lacks; empty when nothing is missing.
QString RuntimeProblemText(const QStringList& missing);

// Checks the libraries (a message when something is missing; start-up goes
// on), creates the main window, shows it and runs the event loop. Returns the
// program's exit status.
int RunProgram(QApplication& app);

}  // namespace tarvik
