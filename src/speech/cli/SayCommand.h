#pragma once

#include "SayOptions.h"
#include "SontiError.h"

#include <QObject>
#include <QSet>

#include <cstdio>
#include <memory>

class EventPrinter;
class InterruptWatcher;
class SoundFileSink;
class SpVoice;
class TextSource;

// One run of sonti-say. It checks everything that can be checked before
// speaking (the voice, the format, the input, the output), speaks the text
// piece by piece as it arrives, and ends with an exit status: 0 when all of
// it was spoken or written, 1 for a failure at run time (with one line
// saying why), 2 for a usage error, 128 + the signal when interrupted. A
// file is put in place only when complete.
class SayCommand : public QObject
{
    Q_OBJECT

public:
    enum Status { Done = 0, Failed = 1, Usage = 2 };

    explicit SayCommand(SayOptions options, QObject *parent = nullptr);
    ~SayCommand() override;

    // Runs the event loop as long as needed; returns the exit status.
    int run();

private:
    int listVoices();
    int prepare();
    void speakPiece(const QString &text, qsizetype offset);
    void onEndStream(int stream);
    void onInputFinished(const SontiError &error);
    void finishIfDone();
    void fail(const QString &reason);
    void interrupt(int signalNumber);
    void quit(int status);

    SayOptions m_options;
    std::unique_ptr<SpVoice> m_voice;
    SoundFileSink *m_fileSink = nullptr; // owned by the voice
    std::unique_ptr<TextSource> m_source;
    std::unique_ptr<EventPrinter> m_printer;
    std::unique_ptr<InterruptWatcher> m_interrupts;
    QSet<int> m_openStreams;
    bool m_inputDone = false;
    bool m_quitting = false;
    int m_status = Done;
};
