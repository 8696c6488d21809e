// sonti-say: speaks text with Sonti's voice, to the speakers, a sound file or
// standard output, with espeak-ng's options, for people who script and for
// the benchmarks.

#include "EngineSet.h"
#include "SayCommand.h"
#include "SayOptions.h"

#include <QCoreApplication>

#include <csignal>
#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("sonti-say"));
    QCoreApplication::setApplicationVersion(QStringLiteral(SONTI_VERSION));
    // A reader that went away is a write error to report, not a silent death.
    std::signal(SIGPIPE, SIG_IGN);

    QString error;
    const SayOptions options = SayOptions::parse(QCoreApplication::arguments(), error);
    if (!error.isEmpty()) {
        std::fprintf(stderr, "sonti-say: %s\nTry 'sonti-say --help' for more information.\n", qPrintable(error));
        return SayCommand::Usage;
    }
    switch (options.action) {
    case SayOptions::Action::Help: std::fputs(qPrintable(options.helpText), stdout); return 0;
    case SayOptions::Action::Version:
        std::printf("sonti-say %s (%s)\n", SONTI_VERSION, qPrintable(EngineSet::engineVersions()));
        return 0;
    case SayOptions::Action::Speak:
    case SayOptions::Action::ListVoices: break;
    }
    SayCommand command(options);
    return command.run();
}
