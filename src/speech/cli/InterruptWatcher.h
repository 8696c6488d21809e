#pragma once

#include <QObject>

#include <memory>

class QSocketNotifier;

// Turns SIGINT and SIGTERM into a Qt signal on the thread of the event
// loop, where it is safe to stop the voice. The handler only writes the
// signal's number to a pipe that the loop watches.
class InterruptWatcher : public QObject
{
    Q_OBJECT

public:
    explicit InterruptWatcher(QObject *parent = nullptr);
    ~InterruptWatcher() override;

Q_SIGNALS:
    void interrupted(int signalNumber);

private:
    static void onSignal(int signalNumber);
    void readPipe();

    std::unique_ptr<QSocketNotifier> m_notifier;
};
