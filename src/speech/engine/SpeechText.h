#pragma once

#include <QString>

// The text of one Speak call as the synthesis thread reads it: a slice at a
// time, as it is spoken, so that a long document is never copied or parsed
// whole before it starts. This one holds a string (shared, not copied);
// a text box's document can hand out its text itself (DocumentSpeechText).
// Offsets are UTF-16 units, those of the events' word positions.
class SpeechText
{
public:
    explicit SpeechText(QString text = {})
        : m_text(std::move(text))
    {}
    virtual ~SpeechText() = default;
    SpeechText(const SpeechText &) = delete;
    SpeechText &operator=(const SpeechText &) = delete;

    // Its length, fixed while it is spoken.
    virtual qsizetype size() const { return m_text.size(); }
    // Units [from, from + count), fewer only where the text ends. Called on
    // the synthesis thread, or on the voice's before the stream is queued;
    // it may wait for the text's owner, and returns an empty string once
    // cancel() has been called.
    virtual QString slice(qsizetype from, qsizetype count) { return m_text.mid(from, count); }
    // From the voice's thread, when the stream is purged or the voice ends:
    // a slice being waited for returns at once.
    virtual void cancel() {}

private:
    QString m_text;
};
