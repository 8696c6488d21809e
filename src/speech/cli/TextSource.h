#pragma once

#include "SontiError.h"

#include <QObject>

#include <memory>

// Where sonti-say's text comes from: the arguments, a file, or standard
// input. It hands the text on in pieces, each with its offset in UTF-16
// units into the whole text, so speech can start before standard input has
// ended. Standard input is read on a thread of its own; a piece ends at a
// blank line, wherever the input pauses after a complete line, and after
// about 64 KB at the last line break. Arguments, a file and markup come as
// one piece (markup cannot be cut without losing its state).
//
// Bytes are decoded as UTF-8, or as Windows-1252 where a piece is not valid
// UTF-8, so no byte is lost.
class TextSource : public QObject
{
    Q_OBJECT

public:
    ~TextSource() override;

    static std::unique_ptr<TextSource> fromText(const QString &text);
    // Reads the whole file at once, as File > Open does (a PDF, EPUB, office
    // document, HTML or Markdown gives its text): an unreadable file fails
    // here, before anything else is touched.
    static std::unique_ptr<TextSource> fromFile(const QString &path, SontiError &error);
    static std::unique_ptr<TextSource> fromStandardInput(bool inPieces);

    // Starts delivering; the signals follow from the event loop.
    void start();
    // Stops reading; no signal follows.
    void stop();

    static QString decode(QByteArrayView bytes);
    // Where the next piece of standard input ends in bytes: 0 when none is
    // complete yet. idle: nothing more can be read at once.
    static qsizetype pieceEnd(QByteArrayView pending, bool idle);

Q_SIGNALS:
    void piece(const QString &text, qsizetype offset);
    // The end of the text; error when it could not be read to its end.
    void finished(const SontiError &error);

private:
    TextSource() = default;
    class StandardInputReader;
    void deliver(const QByteArray &bytes);

    QString m_text;
    bool m_whole = true;
    qsizetype m_offset = 0;
    std::unique_ptr<StandardInputReader> m_reader;
};
