#pragma once

#include "SpeechText.h"

#include <QMetaObject>

#include <memory>

class QTextDocument;

// A text box's document as the text of a Speak call, so that speaking a
// long document copies nothing whole: the synthesis thread asks for a
// slice, and the document's own thread cuts it out between two events. The
// text is what toPlainText() gives, position for position. The first slice
// is cut at once, so that speech starts without waiting for the UI thread.
//
// The document must not change while it is spoken (the window makes the
// box read-only); if it does, the text ends there. (A document says what
// changed only once it has a layout, as a text box's has.)
class DocumentSpeechText : public SpeechText
{
public:
    explicit DocumentSpeechText(QTextDocument *document);
    ~DocumentSpeechText() override;

    qsizetype size() const override { return m_size; }
    QString slice(qsizetype from, qsizetype count) override;
    void cancel() override;

    // The document's text [from, from + count), as toPlainText() has it.
    static QString textOf(QTextDocument *document, qsizetype from, qsizetype count);

private:
    struct Shared;
    class Server;
    std::shared_ptr<Shared> m_shared;
    Server *m_server = nullptr; // a child of the document
    qsizetype m_size = 0;
    QString m_first; // the first slice, cut as the text was made
    QMetaObject::Connection m_changed;
    QMetaObject::Connection m_destroyed;
};
