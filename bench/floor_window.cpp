// The floors the window's start is measured against: a bare Qt window, or,
// given a file, a bare QPlainTextEdit holding it (read, decoded as UTF-8 and
// set before the window shows). Reports its first paint as Sonti does, on
// the "sonti.timing" category, and its stalls likewise; runs until closed
// or killed.
#include "FirstPaintReport.h"
#include "UiStallReport.h"

#include <QApplication>
#include <QFile>
#include <QPlainTextEdit>
#include <QWidget>

#include <cstdio>
#include <memory>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    UiStallReport::start(&app);
    std::unique_ptr<QWidget> window;
    if (argc > 1) {
        QFile file(QString::fromLocal8Bit(argv[1]));
        if (!file.open(QIODevice::ReadOnly)) {
            std::fprintf(stderr, "sonti-floor-window: cannot read %s\n", argv[1]);
            return 1;
        }
        auto box = std::make_unique<QPlainTextEdit>();
        box->setPlainText(QString::fromUtf8(file.readAll()));
        window = std::move(box);
    } else {
        window = std::make_unique<QWidget>();
    }
    window->setWindowTitle(QStringLiteral("Floor"));
    window->resize(640, 480);
    FirstPaintReport::watch(window.get(), "shown");
    window->show();
    return app.exec();
}
