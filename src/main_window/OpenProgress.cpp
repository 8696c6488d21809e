#include "OpenProgress.h"

#include <QGuiApplication>
#include <QProgressBar>
#include <QProgressDialog>

OpenProgress::OpenProgress(QWidget *owner, const QString &title, std::function<void()> cancel)
    : m_owner(owner)
    , m_title(title)
    , m_cancel(std::move(cancel))
{
    // Busy, not waiting: the window still answers.
    QGuiApplication::setOverrideCursor(Qt::BusyCursor);
    m_showTimer.setSingleShot(true);
    m_showTimer.callOnTimeout([this] { show(); });
    m_showTimer.start(ShowAfter);
}

OpenProgress::~OpenProgress()
{
    // Later: this may end within the dialog's own Cancel click.
    if (m_dialog) {
        m_dialog->disconnect();
        m_dialog->hide();
        m_dialog->deleteLater();
    }
    QGuiApplication::restoreOverrideCursor();
}

void OpenProgress::setValue(int percent)
{
    m_percent = percent;
    // The bar itself: QProgressDialog::setValue would run a nested event loop.
    if (m_dialog)
        m_bar->setValue(std::max(percent, 1));
}

void OpenProgress::show()
{
    auto *dialog =
        new QProgressDialog(QStringLiteral("Reading %1...").arg(m_title), QStringLiteral("Cancel"), 0, 100, m_owner);
    m_dialog = dialog;
    m_bar = new QProgressBar(dialog);
    m_bar->setRange(0, 100);
    dialog->setBar(m_bar);
    dialog->setWindowTitle(QStringLiteral("Sonti"));
    dialog->setWindowModality(Qt::WindowModal);
    dialog->setAutoReset(false);
    dialog->setAutoClose(false);
    QObject::connect(dialog, &QProgressDialog::canceled, dialog, [this] { m_cancel(); });
    setValue(m_percent);
    dialog->show();
}
