#pragma once

#include "ExtractionControl.h"
#include "SontiError.h"

#include <QString>

// A document loaded from disk: its text and the title for the caption, or
// the error that stopped it.
struct LoadedDocument
{
    QString text;
    QString title;
    SontiError error;

    bool ok() const { return !error.isError(); }
};

// The non-window part of opening a document, the one reader behind File >
// Open, the recent files, a file named on the command line or dropped, and
// sonti-say's -f. It reads the file's bytes to its end, whatever size it
// claims (files in /proc claim none), then takes its text by kind
// (DocumentKind): PDF, EPUB, OpenDocument, Word, HTML and Markdown through
// the formats module (DocumentFormats), anything else decoded as text
// (TextDecoder). Never throws and never touches the window: a failure comes
// back as LoadedDocument::error, and the window shows its message and keeps
// the text it had. A zero-byte file is an empty document.
//
// Also holds what File > Open asks of the Open dialog.
class DocumentReader
{
public:
    // A bigger file is refused before any of it is read (or as soon as a file
    // that claims less turns out bigger): its text would take twice as much
    // memory again.
    static constexpr qint64 MaxBytes = qint64(256) * 1024 * 1024;

    // Errors: 53 the file does not exist; 75 it is not a regular file or
    // cannot be opened or read; 7 it is too large or memory ran out; 321 its
    // format is broken, encrypted or not available; 18 cancelled or too slow.
    static LoadedDocument read(const QString &path, const ExtractionControl &control = {}, qint64 maxBytes = MaxBytes);

    // The Open dialog of File > Open: "Text Files (*.txt)", "XML Files (*.xml)",
    // "All Supported Files (*.txt , *.xml)", "All Files (*.*)" in a filter
    // text for FileDlg::ShowOpen, starting on the third.
    static QString dialogFilter();
    static constexpr qint16 DialogFilterIndex = 3;
    static constexpr quint32 DialogFlags = 0x1004; // FILEMUSTEXIST | HIDEREADONLY
    static QString dialogTitle() { return QStringLiteral("Open"); }
};
