#include "frmTTS.h"

#include "SontiError.h"

#include <QCloseEvent>
#include <QLoggingCategory>

#include <exception>

Q_LOGGING_CATEGORY(lcMainWindow, "sonti.main_window", QtWarningMsg)

frmTTS::frmTTS(Dependencies dependencies, QWidget *parent)
    : QMainWindow(parent)
    , m_dependencies(std::move(dependencies))
{
    m_ui.setupUi(this, new QWidget);

    connect(m_ui.mnuExit, &QAction::triggered, this, &frmTTS::mnuExit_Click);
}

frmTTS::~frmTTS() = default;

void frmTTS::enterStep(const QString &step)
{
    if (m_dependencies.stepObserver)
        m_dependencies.stepObserver(step);
}

void frmTTS::runIgnoringErrors(const QString &step, const std::function<void()> &action)
{
    enterStep(step);
    try {
        action();
    } catch (const SontiError &e) {
        qCInfo(lcMainWindow) << "load step" << step << "failed:" << e.toString();
    } catch (const std::exception &e) {
        qCInfo(lcMainWindow) << "load step" << step << "failed:" << e.what();
    }
}

void frmTTS::Form_Load()
{
    runIgnoringErrors(QStringLiteral("SpeakFlags"), [this] { SpeakFlags = 11; });
    runIgnoringErrors(QStringLiteral("Show"), [this] { show(); });
}

void frmTTS::closeEvent(QCloseEvent *event)
{
    qint16 cancel = 0;
    Form_Unload(cancel);
    if (cancel)
        event->ignore();
    else
        event->accept();
}

void frmTTS::Form_Unload(qint16 &)
{
    // Exit and the close button both end here; the sequence runs once.
    if (m_unloaded)
        return;
    m_unloaded = true;
}

void frmTTS::mnuExit_Click()
{
    close();
}
