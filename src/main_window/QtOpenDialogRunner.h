#pragma once

#include "OpenDialogRunner.h"

#include <QPointer>

class QWidget;

// Shows the Open dialog as a modal QFileDialog over the given window.
class QtOpenDialogRunner : public OpenDialogRunner
{
public:
    explicit QtOpenDialogRunner(QWidget *owner);

    QString run(const OpenDialogRequest &request) override;

private:
    QPointer<QWidget> m_owner;
};
