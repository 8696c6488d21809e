#include "QtOpenDialogRunner.h"

#include <QFileDialog>

QtOpenDialogRunner::QtOpenDialogRunner(QWidget *owner)
    : m_owner(owner)
{}

QString QtOpenDialogRunner::run(const OpenDialogRequest &request)
{
    QFileDialog dialog(m_owner, request.title);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(request.fileMustExist() ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::ReadOnly, false);
    // Qt's own dialog behaves the same on every desktop, and the filter
    // list shows the descriptions exactly as given.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    dialog.setNameFilters(request.qtNameFilters());
    dialog.selectNameFilter(request.initialQtNameFilter());
    if (!request.defaultExtension.isEmpty())
        dialog.setDefaultSuffix(request.defaultExtension);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().constFirst();
}
