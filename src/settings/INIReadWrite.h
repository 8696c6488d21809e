#pragma once

#include "IniFile.h"

#include <QString>

// The program's profile-file module: one module-wide file name, set once at
// start, and plain routines that read and write keys of that file. It knows no
// section or key of its own; the layout of TTS.ini belongs to StoredSettings.
//
// Values are stored on one line: every CR LF pair becomes the marker
// LineBreakMarker on writing and the marker becomes CR LF again on reading. A
// lone CR or LF is not encoded; a value still holding one is not written
// (IniFile::WriteStatus::NotStorable), since it would split its line.
//
// Every routine but SetINIFile throws SontiError 670 ("INIReadWrite",
// "Filename(INI) not set") before touching any file when no file is set.
// Only the main window's thread calls these routines.
namespace INIReadWrite {

inline const QString LineBreakMarker = QStringLiteral("%%&&Chr(13)&&%%");

// The folder where a bare file name is placed: the program's folder for a
// portable copy (see SettingsFolder), else the user's configuration folder
// (created if needed). Decided on the first call and kept for the life of
// the program.
QString ConfigFolder();

// Sets the file: an absolute fileName is used as it is, a bare name is placed
// in ConfigFolder(). Calling it again replaces the file; nothing is checked.
void SetINIFile(const QString &fileName);
// Places fileName in folder, with exactly one separator between them.
void SetINIFile(const QString &fileName, const QString &folder);

// The full path in use; empty until SetINIFile.
QString INIFileName();

// The value's leading integer (blanks, an optional sign, decimal digits;
// saturated to 32 bits; 0 when it starts with anything else), or
// defaultValue when the file, section or key is missing or the value empty.
int ReadINIInt(const QString &section, const QString &key, int defaultValue);

// The stored value (or defaultValue) cut to size - 1 characters, then with
// markers turned into CR LF. size <= 1 gives the empty string.
QString ReadINIString(const QString &section, const QString &key, const QString &defaultValue, int size);
// As ReadINIString, without any limit on the length.
QString ReadINIStringWhole(const QString &section, const QString &key, const QString &defaultValue = {});

// Writes value under section/key and replaces the file atomically. The result
// may be ignored: a failed write leaves the old file whole.
IniFile::WriteStatus WriteINIValue(const QString &section, const QString &key, const QString &value);
IniFile::WriteStatus WriteINIValue(const QString &section, const QString &key, int value);
IniFile::WriteStatus WriteINIValue(const QString &section, const QString &key, qint64 value);
// Shortest text that reads back as the same double, '.' as decimal separator,
// no exponent below 1e15, and no decimal point for a whole number.
IniFile::WriteStatus WriteINIValue(const QString &section, const QString &key, double value);

// Writes every entry (stored text, see encodeValue and formatNumber) in one
// replacement of the file: it then holds all of them, or, when any part fails,
// is left exactly as it was. errorString receives the reason of a Failed write.
IniFile::WriteStatus WriteINIValues(const QList<IniFile::Entry> &entries, QString *errorString = nullptr);

// The text WriteINIValue stores for value (CR LF pairs as markers).
QString encodeValue(const QString &value);
QString formatNumber(double value);
// The integer ReadINIInt makes of a stored value.
int leadingInt(QStringView value);

} // namespace INIReadWrite
