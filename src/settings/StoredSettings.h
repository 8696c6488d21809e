#pragma once

#include "IniFile.h"

#include <QString>
#include <QStringList>

#include <optional>

// The contents of TTS.ini as plain values, read at start and written at exit
// through INIReadWrite (SetINIFile must have been called). The window applies
// each value through its own controls and fills the struct again at exit.
//
// Layout, in the order written (a new file holds its sections in this order):
//   [General] Left, Top       window position in twips (1/1440 inch)
//   [Voice]   Speaker, Format selected positions in the voice and format lists
//             XML             state of "Process XML": 0, 1 or 2
//   [Menu]    Style           the menu image drawer's style (32-bit)
//   [Files]   Count, 1..Count recent file paths, newest first
//
// Every key is read on its own: a value that does not fit is "not present" for
// that key alone (an empty optional), so a bad Speaker never costs the recent
// files. Whether a present value fits its control (a position within the
// list) is the window's check; it leaves the control as it was otherwise.
struct StoredSettings
{
    static constexpr int MaxRecentFiles = 4;

    double left = 0;                   // twips
    double top = 0;                    // twips
    std::optional<qint16> speaker = 0; // -1: no voice selected
    std::optional<qint16> format = 2;  // -1: no format selected
    std::optional<qint16> xml = 1;     // unchecked 0, checked 1, grayed 2
    qint32 style = 0;
    QStringList recentFiles; // newest first, at most 4, as stored

    // Reads every key with its default. The position defaults are the
    // window's current edges (rounded to whole twips by the caller). Speaker,
    // Format and XML outside 16 bits are empty. A negative Count restores no
    // file, a Count above 4 restores four; paths are read whole, taken as
    // stored (no existence check, repeats and empty entries kept).
    static StoredSettings read(int defaultLeft, int defaultTop);

    // Writes every key in the order above, in one replacement of the file: on
    // a full disk or any other failure the old file stays whole, never with
    // some keys new and others old. An empty speaker, format or xml is not
    // written, leaving what the file holds. Files keys above Count are left in
    // place. errorString receives the reason of a Failed write.
    IniFile::WriteStatus write(QString *errorString = nullptr) const;

    bool operator==(const StoredSettings &) const = default;
};
