#pragma once

#include <QProcess>
#include <QtGlobal>

#include <cmath>

// Records what a PulseAudio sink plays, through its monitor, with parec at
// low latency (48 kHz, 16-bit stereo) and measures it in 10 ms windows.
// Frames count from the start of the recording, which runs at real time.
class MonitorRecorder
{
public:
    static constexpr int Rate = 48000;
    static constexpr int Window = Rate / 100;

    bool start(const QString &sink)
    {
        m_process.start(QStringLiteral("parec"),
                        {QStringLiteral("-d"), sink + QStringLiteral(".monitor"), QStringLiteral("--raw"),
                         QStringLiteral("--format=s16le"), QStringLiteral("--rate=48000"),
                         QStringLiteral("--channels=2"), QStringLiteral("--latency-msec=5")});
        return m_process.waitForStarted(3000);
    }

    ~MonitorRecorder()
    {
        m_process.kill();
        m_process.waitForFinished(3000);
    }

    // Frames recorded so far.
    qint64 now()
    {
        m_data.append(m_process.readAllStandardOutput());
        return m_data.size() / 4;
    }

    // RMS of the left channel in each 10 ms window from..to.
    QList<int> levels(qint64 from, qint64 to)
    {
        now();
        QList<int> result;
        const auto *samples = reinterpret_cast<const qint16 *>(m_data.constData());
        to = std::min(to, qint64(m_data.size() / 4));
        for (qint64 w = from; w + Window <= to; w += Window) {
            double sum = 0;
            for (qint64 i = w; i < w + Window; ++i)
                sum += double(samples[2 * i]) * samples[2 * i];
            result.append(int(std::sqrt(sum / Window)));
        }
        return result;
    }

    // The first and last window with sound from..to, in frames; -1 when silent.
    std::pair<qint64, qint64> soundSpan(qint64 from, qint64 to, int threshold = 200)
    {
        const QList<int> l = levels(from, to);
        qint64 first = -1, last = -1;
        for (qsizetype i = 0; i < l.size(); ++i) {
            if (l[i] > threshold) {
                if (first < 0)
                    first = from + i * Window;
                last = from + (i + 1) * Window;
            }
        }
        return {first, last};
    }

    int loudest(qint64 from, qint64 to)
    {
        const QList<int> l = levels(from, to);
        return l.isEmpty() ? 0 : *std::max_element(l.begin(), l.end());
    }

private:
    QProcess m_process;
    QByteArray m_data;
};
