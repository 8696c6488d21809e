#include "OpenProgress.h"

#include <QGuiApplication>
#include <QProgressDialog>

OpenProgress::OpenProgress(QWidget *owner, const QString &title)
    : m_owner(owner)
    , m_title(title)
{
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    m_clock.start();
}

OpenProgress::~OpenProgress()
{
    m_dialog.reset();
    QGuiApplication::restoreOverrideCursor();
}

ExtractionControl OpenProgress::control()
{
    return ExtractionControl([this](int percent) { show(percent); }, &m_cancel);
}

void OpenProgress::show(int percent)
{
    if (!m_dialog) {
        if (m_clock.elapsed() < ShowAfter)
            return;
        m_dialog = std::make_unique<QProgressDialog>(QStringLiteral("Reading %1...").arg(m_title),
                                                     QStringLiteral("Cancel"), 0, 100, m_owner);
        m_dialog->setWindowTitle(QStringLiteral("Sonti"));
        m_dialog->setWindowModality(Qt::WindowModal);
        m_dialog->setMinimumDuration(0);
        m_dialog->setAutoReset(false);
        m_dialog->setValue(0);
    }
    // Shows the dialog and, once shown, lets it paint and take the Cancel click.
    m_dialog->setValue(std::max(percent, 1));
    if (m_dialog->wasCanceled())
        m_cancel = true;
}
