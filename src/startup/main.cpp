#include "Module1.h"
#include "TimingMark.h"
#include "UiStallReport.h"
#include "frmTTS.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QUrl>

#include <cstdio>

namespace {

// The file named on the command line as an absolute path, so the recent
// files name it wherever Sonti is started next; file: URLs are accepted for
// launchers that pass them.
QString documentPath(const QString &argument)
{
    if (argument.isEmpty())
        return QString();
    if (argument.startsWith(QLatin1String("file:")))
        return QUrl(argument).toLocalFile();
    return QDir::cleanPath(QDir::current().absoluteFilePath(argument));
}

} // namespace

int main(int argc, char *argv[])
{
    // The start-up's milestones, for the launch benchmark: here the process
    // has been loaded, its libraries linked and their constructors run.
    const auto entered = TimingMark::now();
    QApplication app(argc, argv);
    TimingMark::log("main", entered);
    TimingMark::log("application");
    QApplication::setApplicationName(QStringLiteral("Sonti"));
    QApplication::setApplicationVersion(QStringLiteral(SONTI_VERSION));
    // Names the desktop entry, so desktops show the window with its icon.
    QApplication::setDesktopFileName(QStringLiteral(SONTI_APP_ID));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Reads text aloud. FILE is opened at start, as File > Open would."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("FILE"), QStringLiteral("A text or XML file to open."),
                                 QStringLiteral("[FILE]"));
    parser.process(app);
    const QStringList files = parser.positionalArguments();
    if (files.size() > 1) {
        std::fprintf(stderr, "sonti: one file at a time, please\n");
        return 2;
    }

    UiStallReport::start(&app);
    Module1 startup;
    const int code = startup.Main(files.isEmpty() ? QString() : documentPath(files.first()));
    if (!startup.window())
        return code;
    return app.exec();
}
