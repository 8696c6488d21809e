#pragma once

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

// A PulseAudio daemon of the test's own, with a null sink, serving a socket
// in a folder of its own (also its home and runtime folder), that the test
// may stop, resume, kill and start again.
class PrivatePulse
{
public:
    PrivatePulse() = default;
    ~PrivatePulse() { kill(); }
    PrivatePulse(const PrivatePulse &) = delete;
    PrivatePulse &operator=(const PrivatePulse &) = delete;

    QString socket() const { return m_dir.filePath(QStringLiteral("native")); }
    QByteArray server() const { return "unix:" + socket().toUtf8(); }

    // Starts the daemon (again); true once its socket is there.
    bool start()
    {
        kill();
        QFile::remove(socket());
        m_daemon.setProcessEnvironment(environment(false));
        m_daemon.start(QStringLiteral("pulseaudio"),
                       {QStringLiteral("-n"), QStringLiteral("--daemonize=no"), QStringLiteral("--exit-idle-time=-1"),
                        QStringLiteral("--load=module-null-sink"),
                        QStringLiteral("--load=module-native-protocol-unix socket=") + socket()});
        for (int i = 0; i < 300 && !QFile::exists(socket()); ++i)
            QTest::qWait(10);
        return QFile::exists(socket());
    }

    void kill()
    {
        if (m_daemon.state() == QProcess::NotRunning)
            return;
        resume();
        m_daemon.kill();
        m_daemon.waitForFinished(3000);
    }

    // SIGSTOP: the socket still accepts, nobody answers.
    void stop() { signal(SIGSTOP); }
    void resume() { signal(SIGCONT); }

    // Its playback streams, one line each (short), or in full.
    QString sinkInputs(bool brief = true)
    {
        QProcess pactl;
        pactl.setProcessEnvironment(environment(true));
        QStringList args{QStringLiteral("list"), QStringLiteral("sink-inputs")};
        if (brief)
            args.append(QStringLiteral("short"));
        pactl.start(QStringLiteral("pactl"), args);
        pactl.waitForFinished(3000);
        return QString::fromUtf8(pactl.readAllStandardOutput());
    }

private:
    QProcessEnvironment environment(bool client) const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HOME"), m_dir.path());
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_dir.path());
        if (client)
            env.insert(QStringLiteral("PULSE_SERVER"), QString::fromUtf8(server()));
        return env;
    }

    void signal(int number)
    {
        if (m_daemon.state() != QProcess::NotRunning)
            ::kill(pid_t(m_daemon.processId()), number);
    }

    QTemporaryDir m_dir;
    QProcess m_daemon;
};
