// The floors the window's start is measured against: a bare Qt window, or,
// given a file, a bare QPlainTextEdit holding it (read, decoded as UTF-8 and
// set before the window shows). With --later, the box shows empty and loads
// the file a moment later, as a file opened from a menu would be, logging
// "loading <ns>" when it starts and "document <ns>" once painted with it.
// Reports its first paint as Sonti does, on the "sonti.timing" category,
// with the start-up's milestones and its stalls likewise; runs until closed
// or killed.
#include "FirstPaintReport.h"
#include "TimingMark.h"
#include "UiStallReport.h"

#include <QApplication>
#include <QFile>
#include <QGuiApplication>
#include <QLoggingCategory>
#include <QPlainTextEdit>
#include <QScreen>
#include <QTimer>
#include <QWidget>

#include <chrono>
#include <cstdio>
#include <memory>

Q_DECLARE_LOGGING_CATEGORY(lcTiming)

namespace {

bool load(QPlainTextEdit *box, const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "sonti-floor-window: cannot read %s\n", qPrintable(path));
        return false;
    }
    box->setPlainText(QString::fromUtf8(file.readAll()));
    return true;
}

// Sonti's splash and main window, outside sizes in pixels.
constexpr QSize splashSize(77, 148);
constexpr QSize sontiWindowSize(381, 480);

std::unique_ptr<QWidget> showSplash()
{
    auto splash = std::make_unique<QWidget>(nullptr, Qt::SplashScreen | Qt::FramelessWindowHint);
    splash->setFixedSize(splashSize);
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        QRect frame(QPoint(), splashSize);
        frame.moveCenter(screen->geometry().center());
        splash->move(frame.topLeft());
    }
    splash->show();
    QCoreApplication::processEvents();
    TimingMark::log("splash");
    return splash;
}

} // namespace

int main(int argc, char *argv[])
{
    // The same milestones as Sonti's, for the launch benchmark.
    const auto entered = TimingMark::now();
    QApplication app(argc, argv);
    TimingMark::log("main", entered);
    TimingMark::log("application");
    UiStallReport::start(&app);
    QStringList arguments = app.arguments().mid(1);
    const bool later = arguments.removeAll(QStringLiteral("--later")) > 0;
    const bool withSplash = arguments.removeAll(QStringLiteral("--splash")) > 0;
    std::unique_ptr<QWidget> splash;
    if (withSplash)
        splash = showSplash();
    std::unique_ptr<QWidget> window;
    if (!arguments.isEmpty()) {
        auto box = std::make_unique<QPlainTextEdit>();
        if (later) {
            QTimer::singleShot(500, box.get(), [box = box.get(), path = arguments.first()] {
                const auto now = std::chrono::system_clock::now().time_since_epoch();
                qCDebug(lcTiming, "loading %lld",
                        static_cast<long long>(std::chrono::duration_cast<std::chrono::nanoseconds>(now).count()));
                FirstPaintReport::watch(box->viewport(), "document");
                if (!load(box, path))
                    QCoreApplication::exit(1);
            });
        } else if (!load(box.get(), arguments.first())) {
            return 1;
        }
        window = std::move(box);
    } else {
        window = std::make_unique<QWidget>();
    }
    window->setWindowTitle(QStringLiteral("Floor"));
    window->resize(withSplash ? sontiWindowSize : QSize(640, 480));
    FirstPaintReport::watch(window.get(), "shown");
    window->show();
    splash.reset();
    return app.exec();
}
