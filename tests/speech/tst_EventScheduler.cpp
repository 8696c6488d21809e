#include "EventScheduler.h"
#include "NullAudioSink.h"

#include <QEventLoop>
#include <QTest>
#include <QTimer>

#include <future>
#include <thread>

namespace {
SpeechEvent word(int stream, qint64 frame, int position)
{
    SpeechEvent e;
    e.kind = SpeechEvent::Kind::Word;
    e.stream = stream;
    e.frame = frame;
    e.sampleRate = 16000;
    e.wordPosition = position;
    return e;
}

SpAudioFormat format16k()
{
    SpAudioFormat format;
    format.setType(SAFT16kHz16BitMono);
    return format;
}

// A sink whose pause waits until another thread has pushed an event, as a
// sink would whose own lock that thread holds: pausing it while the
// scheduler's lock is held would deadlock.
class PauseProbeSink : public NullAudioSink
{
public:
    PauseProbeSink()
        : NullAudioSink(std::make_shared<ManualClock>())
    {}

    EventScheduler *scheduler = nullptr;
    bool otherThreadGotThrough = false;
    std::thread other;

    void setPaused(bool paused) override
    {
        NullAudioSink::setPaused(paused);
        if (other.joinable())
            return;
        auto pushed = std::make_shared<std::promise<void>>();
        std::future<void> done = pushed->get_future();
        other = std::thread([this, pushed] {
            scheduler->push(word(2, 0, 0));
            pushed->set_value();
        });
        otherThreadGotThrough = done.wait_for(std::chrono::seconds(2)) == std::future_status::ready;
    }
};
}

class tst_EventScheduler : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void sinkIsPausedOutsideTheSchedulersLock_data()
    {
        QTest::addColumn<bool>("dropped");
        QTest::newRow("pause point heard") << false;
        QTest::newRow("stream purged before its pause point") << true;
    }
    void sinkIsPausedOutsideTheSchedulersLock()
    {
        QFETCH(bool, dropped);
        PauseProbeSink sink;
        QVERIFY(!sink.start(1, format16k()).isError());
        EventScheduler scheduler(sink);
        sink.scheduler = &scheduler;
        scheduler.pauseAt(1, dropped ? 1'000'000 : 0);
        if (dropped)
            scheduler.dropThrough(1);
        QVERIFY(sink.other.joinable());
        sink.other.join();
        QVERIFY(sink.otherThreadGotThrough);
        QVERIFY(!sink.position().playing);
    }

    // A handler that opens a modal box runs a nested event loop, or one that
    // resumes calls back into the scheduler; either way the next event
    // waits until the handler has returned.
    void eventsAreNotDeliveredInsideAHandler_data()
    {
        QTest::addColumn<bool>("nestedLoop");
        QTest::newRow("modal box") << true;
        QTest::newRow("resume from the handler") << false;
    }
    void eventsAreNotDeliveredInsideAHandler()
    {
        QFETCH(bool, nestedLoop);
        NullAudioSink sink(std::make_shared<ManualClock>());
        QVERIFY(!sink.start(1, format16k()).isError());
        EventScheduler scheduler(sink);
        QStringList log;
        connect(&scheduler, &EventScheduler::due, this, [&](const SpeechEvent &e) {
            log << QStringLiteral("begin %1").arg(e.wordPosition);
            if (e.wordPosition == 0) {
                scheduler.push(word(1, 0, 1));
                if (nestedLoop) {
                    QEventLoop loop;
                    QTimer::singleShot(0, &loop, &QEventLoop::quit);
                    loop.exec();
                } else {
                    scheduler.setHeld(false);
                }
            }
            log << QStringLiteral("end %1").arg(e.wordPosition);
        });
        scheduler.push(word(1, 0, 0));
        QTRY_COMPARE(log.size(), 4);
        QCOMPARE(log, (QStringList{"begin 0", "end 0", "begin 1", "end 1"}));
    }

    void aHandlerMayDestroyTheScheduler()
    {
        NullAudioSink sink(std::make_shared<ManualClock>());
        QVERIFY(!sink.start(1, format16k()).isError());
        auto scheduler = std::make_unique<EventScheduler>(sink);
        int delivered = 0;
        connect(scheduler.get(), &EventScheduler::due, this, [&] {
            ++delivered;
            scheduler.reset();
        });
        scheduler->push(word(1, 0, 0));
        scheduler->push(word(1, 0, 1));
        QTRY_VERIFY(!scheduler);
        QCoreApplication::processEvents();
        QCOMPARE(delivered, 1);
    }
};

QTEST_GUILESS_MAIN(tst_EventScheduler)
#include "tst_EventScheduler.moc"
