#pragma once

#include <QString>

class QWidget;

// The window placement store: the size, position and centring of the program's windows, kept between
// runs in one INI file in the configuration folder, one section per window named after its objectName().
// User-interface thread only. Each call opens the file afresh and keeps nothing.
namespace CommonFormPlacement {

// The INI file: the configuration folder followed by the program file's name in upper case, with
// every ".EXE" turned into ".ini" (hourglen gives HOURGLEN, Tasks.exe gives TASKS.ini).
QString ReturnIniFileNameFullName();

// Applies the stored height, width, left, top and centring flag to form, each at once, the window's
// current values (and centring) standing in for missing or malformed ones. The window's own minimum
// and maximum size limit the size, and so does the desktop's; nothing keeps it on the visible screen.
void ReadFormParameters(QWidget* form);

// Stores form's height, width, left, top and centring flag, keeping every other section, key and
// comment of the file. A file that cannot be written is reported in a message box.
void WriteFormParameters(QWidget* form);

// The centring flag: when set, the window is centred on its screen's available area when it is next
// shown, and the flag is cleared (the window then stands at its own left and top).
void SetCentreOnShow(QWidget* form, bool centre);
bool CentreOnShow(const QWidget* form);

// The program file whose name makes the INI file's name; empty (the default) means the running
// program (QCoreApplication::applicationFilePath). For tests.
void SetProgramFilePath(const QString& path);

} // namespace CommonFormPlacement
