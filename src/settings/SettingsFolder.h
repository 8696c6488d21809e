#pragma once

#include <QString>

// Where TTS.ini lives. A portable copy of Sonti (the build tree, or a copy
// unpacked into any folder of the user's) keeps it beside the program, as the
// program was designed to. An installed Sonti keeps it in the user's
// configuration folder (~/.config/Sonti), also when the program's folder is
// writable, as /usr/bin is for root: settings must never land among the
// system's programs, nor be shared by every user.
//
// The program counts as installed when its folder is the bin folder it was
// built to be installed in, or a bin folder with Sonti's desktop entry beside
// it in ../share/applications (any install prefix, and a package's files
// unpacked elsewhere).
namespace SettingsFolder {

// programFolder: the folder of the running program; installedBinFolder: the
// bin folder of the install prefix; desktopEntry: the file name of Sonti's
// desktop entry.
bool isInstalled(const QString &programFolder, const QString &installedBinFolder, const QString &desktopEntry);

// Whether TTS.ini belongs beside the program: a writable folder of a copy
// that is not installed.
bool isPortable(const QString &programFolder, const QString &installedBinFolder, const QString &desktopEntry);

// isPortable for this program, with the bin folder and desktop entry it was
// built with.
bool isPortable(const QString &programFolder);

} // namespace SettingsFolder
