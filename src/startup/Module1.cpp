#include "Module1.h"

#include "PulseAudioSink.h"
#include "SingleInstance.h"
#include "SontiError.h"
#include "SpVoice.h"
#include "TimingMark.h"
#include "WarmStart.h"
#include "frmSPLASH.h"
#include "frmTTS.h"

#include <QCoreApplication>
#include <QMessageBox>

#include <exception>

namespace {
const QString appTitle = QStringLiteral("Sonti");
}

Module1::Module1(const QString &lockPath)
    : m_instance(std::make_unique<SingleInstance>(lockPath))
{}

Module1::~Module1() = default;

int Module1::Main(const QString &document)
{
    if (m_instance->acquire() == SingleInstance::Result::AnotherCopyRuns) {
        QMessageBox::warning(nullptr, appTitle, QStringLiteral("I'm Already Running!"));
        return 0;
    }

    // What the splash and the window wait for longest is prepared meanwhile.
    auto warm = std::make_shared<WarmStart>();
    frmTTS::Dependencies dependencies;
    dependencies.iconPictures = [warm] { return warm->takeIconPictures(); };
    dependencies.mouthPictures = [warm] { return warm->takePictures(); };
    dependencies.createVoice = [warm] {
        return std::make_unique<SpVoice>(warm->takeEngines(), std::make_unique<PulseAudioSink>());
    };

    auto splash = std::make_unique<frmSPLASH>([warm] { return warm->takeSplashPicture(); });
    splash->show();
    // Once, so the splash paints before the long load begins.
    QCoreApplication::processEvents();
    TimingMark::log("splash");

    QString failure;
    try {
        m_window = std::make_unique<frmTTS>(std::move(dependencies));
        TimingMark::log("window");
        m_window->Form_Load();
        TimingMark::log("loaded");
    } catch (const SontiError &e) {
        failure = e.description();
    } catch (const std::exception &e) {
        failure = QString::fromLocal8Bit(e.what());
    }
    splash.reset();

    if (!failure.isNull()) {
        m_window.reset();
        QMessageBox::critical(nullptr, appTitle, QStringLiteral("Sonti could not start: %1").arg(failure));
        return 1;
    }
    if (!document.isEmpty())
        m_window->OpenDocument(document);
    return 0;
}
