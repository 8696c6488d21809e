#include "SapiTypes.h"
#include "SoundFileSink.h"

#include <sndfile.h>

#include <QDir>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <sys/stat.h>
#include <unistd.h>

namespace {
// frames of a ramp in the format's own bytes.
QByteArray ramp(const SpAudioFormat &format, int frames, int from = 0)
{
    QByteArray bytes;
    for (int i = 0; i < frames * format.channels(); ++i) {
        const int value = (from * format.channels() + i) % 200 - 100;
        if (format.bitsPerSample() == 8) {
            bytes.append(char(value + 128));
        } else {
            char le[2];
            qToLittleEndian<qint16>(qint16(value * 256), le);
            bytes.append(le, 2);
        }
    }
    return bytes;
}

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
}

class tst_SoundFileSink : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void writesEveryStreamIntoOneFile_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("type");
        QTest::addColumn<QByteArray>("magic");
        QTest::addColumn<bool>("exact");
        QTest::newRow("WAV") << "a.wav" << int(SAFT22kHz16BitMono) << QByteArray("RIFF") << true;
        QTest::newRow("WAV, 8-bit stereo") << "b.WAV" << 9 << QByteArray("RIFF") << true;
        QTest::newRow("any other name is WAV") << "c.raw" << int(SAFT16kHz16BitStereo) << QByteArray("RIFF") << true;
        QTest::newRow("FLAC") << "d.flac" << int(SAFT16kHz16BitMono) << QByteArray("fLaC") << true;
        QTest::newRow("FLAC, 8-bit") << "e.flac" << int(SAFT8kHz8BitMono) << QByteArray("fLaC") << true;
        QTest::newRow("Ogg Vorbis") << "f.ogg" << int(SAFT22kHz16BitStereo) << QByteArray("OggS") << false;
    }
    void writesEveryStreamIntoOneFile()
    {
        QFETCH(QString, name);
        QFETCH(int, type);
        QFETCH(QByteArray, magic);
        QFETCH(bool, exact);
        SpAudioFormat format;
        format.setType(type);
        const QString path = m_dir.filePath(name);
        {
            SoundFileSink sink(path, format);
            for (int tag = 1; tag <= 2; ++tag) {
                QVERIFY(!sink.start(tag, format).isError());
                QVERIFY(sink.write(ramp(format, 3000, (tag - 1) * 3000)));
                QCOMPARE(sink.position().frames, 3000);
                QVERIFY(sink.drain());
                sink.finish();
            }
            QVERIFY(!QFile::exists(path));
            QVERIFY2(!sink.commit().isError(), qPrintable(sink.error().toString()));
        }
        SF_INFO info{};
        SNDFILE *file = sf_open(QFile::encodeName(path).constData(), SFM_READ, &info);
        QVERIFY2(file, sf_strerror(nullptr));
        QCOMPARE(fileBytes(path).left(4), magic);
        QCOMPARE(info.samplerate, format.sampleRate());
        QCOMPARE(info.channels, format.channels());
        QCOMPARE(info.frames, 6000);
        std::vector<short> samples(size_t(info.frames * info.channels));
        QCOMPARE(sf_readf_short(file, samples.data(), info.frames), info.frames);
        sf_close(file);
        if (exact) {
            const QByteArray expected = ramp(format, 6000);
            for (size_t i = 0; i < samples.size(); ++i) {
                const int want = format.bitsPerSample() == 8 ? (quint8(expected[qsizetype(i)]) - 128) * 256
                                                             : qFromLittleEndian<qint16>(expected.data() + 2 * i);
                QCOMPARE(int(samples[i]), want);
            }
        }
        QCOMPARE(QFileInfo(path).permissions() & QFile::ReadOther, QFile::ReadOther);
    }

    // Small chunks wait in the sink's buffer, large ones go to libsndfile
    // directly, and a chunk not aligned to a sample is copied: whichever
    // way each went, the file holds them all in the order written. Repeated,
    // they run past the megabytes after which the disk is given them early.
    void chunksOfEverySizeKeepTheirOrder_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("repeats");
        QTest::newRow("16-bit mono") << int(SAFT22kHz16BitMono) << 1;
        QTest::newRow("16-bit stereo") << int(SAFT16kHz16BitStereo) << 1;
        QTest::newRow("8-bit mono") << int(SAFT8kHz8BitMono) << 1;
        QTest::newRow("16-bit stereo, 10 MB") << int(SAFT16kHz16BitStereo) << 30;
    }
    void chunksOfEverySizeKeepTheirOrder()
    {
        QFETCH(int, type);
        QFETCH(int, repeats);
        SpAudioFormat format;
        format.setType(type);
        const QString path = m_dir.filePath(QStringLiteral("chunks-%1-%2.wav").arg(type).arg(repeats));
        // Lengths that are no multiple of the ramp's period of 200, so that
        // chunks written out of order would show; some at an odd address.
        const struct
        {
            int frames;
            bool unaligned;
        } chunks[] = {{1001, false},  {9001, false}, {333, true},  {40001, true},
                      {12007, false}, {7, false},    {5003, true}, {20011, false}};
        int total = 0;
        {
            SoundFileSink sink(path, format);
            QVERIFY(!sink.start(1, format).isError());
            for (int round = 0; round < repeats; ++round) {
                for (const auto &[frames, unaligned] : chunks) {
                    const QByteArray chunk = QByteArray(unaligned ? 1 : 0, '\0') + ramp(format, frames, total);
                    QVERIFY(sink.write(QByteArrayView(chunk).sliced(unaligned ? 1 : 0)));
                    total += frames;
                }
            }
            QCOMPARE(sink.position().frames, total);
            QVERIFY2(!sink.commit().isError(), qPrintable(sink.error().toString()));
        }
        SF_INFO info{};
        SNDFILE *file = sf_open(QFile::encodeName(path).constData(), SFM_READ, &info);
        QVERIFY2(file, sf_strerror(nullptr));
        QCOMPARE(info.frames, sf_count_t(total));
        std::vector<short> samples(size_t(info.frames * info.channels));
        QCOMPARE(sf_readf_short(file, samples.data(), info.frames), info.frames);
        sf_close(file);
        const QByteArray expected = ramp(format, total);
        for (size_t i = 0; i < samples.size(); ++i) {
            const int want = format.bitsPerSample() == 8 ? (quint8(expected[qsizetype(i)]) - 128) * 256
                                                         : qFromLittleEndian<qint16>(expected.data() + 2 * i);
            if (samples[i] != want)
                QFAIL(qPrintable(QStringLiteral("sample %1 is %2, not %3").arg(i).arg(samples[i]).arg(want)));
        }
    }

    void anUncommittedFileLeavesTheOldOneAndNoTrace()
    {
        const QString path = m_dir.filePath("keep.wav");
        QFile old(path);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("the old file");
        old.close();
        const QStringList before = QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden);
        SpAudioFormat format;
        {
            SoundFileSink sink(path, format);
            QVERIFY(!sink.open().isError());
            QVERIFY(!sink.start(1, format).isError());
            QVERIFY(sink.write(ramp(format, 1000)));
            SpAudioFormat other;
            other.setType(SAFT16kHz16BitMono);
            QVERIFY(sink.start(2, other).isError());
            QVERIFY(!sink.write(ramp(format, 10)));
            QVERIFY(sink.commit().isError());
        }
        QCOMPARE(fileBytes(path), QByteArray("the old file"));
        QCOMPARE(QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden), before);
    }

    void aFullDeviceFailsAtOnceAndStaysADevice()
    {
        if (!QFileInfo::exists("/dev/full"))
            QSKIP("no /dev/full");
        SoundFileSink sink("/dev/full", SpAudioFormat());
        const SontiError error = sink.open();
        QVERIFY(error.isError());
        QVERIFY2(error.description().contains("No space left on device"), qPrintable(error.description()));
        struct stat st;
        QVERIFY(::stat("/dev/full", &st) == 0 && S_ISCHR(st.st_mode));
    }

    void aPipeGetsAWavStreamOfOpenLength()
    {
        int fds[2];
        QVERIFY(::pipe(fds) == 0);
        const QString path = QStringLiteral("/dev/fd/%1").arg(fds[1]);
        SpAudioFormat format;
        {
            SoundFileSink sink(path, format);
            QVERIFY2(!sink.start(1, format).isError(), qPrintable(sink.error().toString()));
            QVERIFY(sink.write(ramp(format, 100)));
            QVERIFY(!sink.commit().isError());
        }
        ::close(fds[1]);
        QByteArray got(1000, '\0');
        const ssize_t n = ::read(fds[0], got.data(), size_t(got.size()));
        ::close(fds[0]);
        QCOMPARE(n, 44 + 200);
        QCOMPARE(got.left(4), QByteArray("RIFF"));
        QCOMPARE(qFromLittleEndian<quint32>(got.constData() + 40), 0x7ffff000u);
        QCOMPARE(got.mid(44, 200), ramp(format, 100));
    }

    // A WAV header cannot count more than 4 GiB: beyond that the file is RF64.
    void beyondFourGibibytesIsRf64()
    {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
        QSKIP("4 GiB through the sanitizers takes minutes; the normal build proves it");
#endif
        if (qEnvironmentVariableIsSet("SONTI_SKIP_HUGE"))
            QSKIP("SONTI_SKIP_HUGE is set");
        const QString path = m_dir.filePath("huge.wav");
        SpAudioFormat format;
        format.setType(SAFT48kHz16BitStereo);
        const QByteArray block(8 << 20, '\0');
        const qint64 blocks = (qint64(4) << 30) / block.size() + 1;
        {
            SoundFileSink sink(path, format);
            QVERIFY(!sink.start(1, format).isError());
            for (qint64 i = 0; i < blocks; ++i)
                QVERIFY2(sink.write(block), qPrintable(sink.error().toString()));
            QVERIFY2(!sink.commit().isError(), qPrintable(sink.error().toString()));
        }
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.read(4), QByteArray("RF64"));
        file.close();
        SF_INFO info{};
        SNDFILE *sound = sf_open(QFile::encodeName(path).constData(), SFM_READ, &info);
        QVERIFY(sound);
        sf_close(sound);
        QCOMPARE(info.frames, blocks * block.size() / format.blockAlign());
        QFile::remove(path);
    }

private:
    QTemporaryDir m_dir;
};

QTEST_GUILESS_MAIN(tst_SoundFileSink)
#include "tst_SoundFileSink.moc"
