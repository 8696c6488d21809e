#include "Module1.h"
#include "frmTTS.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Sonti"));
    QApplication::setDesktopFileName(QStringLiteral("sonti"));

    Module1 startup;
    const int code = startup.Main();
    if (!startup.window())
        return code;
    return app.exec();
}
