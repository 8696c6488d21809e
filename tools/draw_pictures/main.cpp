// draw_pictures: draws every picture Sonti carries.
//
//   draw_pictures <resources-dir> <work-dir>
//
// writes the face bitmaps, the icon (PNG at every size, and SVG) and the menu
// images into <resources-dir>, and into <work-dir> the splash as PNG (the
// regenerate script turns it into the GIF, which Qt cannot write) and a
// contact sheet of the face pictures for looking at. The output is the same, byte for byte, on every run.

#include "FacePictures.h"
#include "Icons.h"
#include "SplashPicture.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QTextStream>

namespace {

bool save(const QImage &image, const QString &path, const char *format)
{
    if (!QDir().mkpath(QFileInfo(path).path()) || !image.save(path, format)) {
        QTextStream(stderr) << "draw_pictures: cannot write " << path << '\n';
        return false;
    }
    return true;
}

bool write(const QByteArray &bytes, const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
        QTextStream(stderr) << "draw_pictures: cannot write " << path << '\n';
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    // Text needs a font database, which needs a GUI application; no display
    // is used.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 3) {
        QTextStream(stderr) << "usage: draw_pictures <resources-dir> <work-dir>\n";
        return 2;
    }
    const QDir resources(args.at(1));
    const QDir work(args.at(2));

    const FacePictures faces;
    if (const QString problems = faces.check(); !problems.isEmpty()) {
        QTextStream(stderr) << "draw_pictures: the face pictures are wrong:\n" << problems << '\n';
        return 1;
    }

    bool ok = true;
    for (const FacePictures::Picture &picture : faces.pictures())
        ok &= save(picture.image, resources.filePath(QStringLiteral("mouth/%1.bmp").arg(picture.name)), "BMP");
    for (const int size : {16, 32, 48, 64, 128, 256})
        ok &= save(Icons::loudspeaker(size), resources.filePath(QStringLiteral("icons/sonti-%1.png").arg(size)), "PNG");
    ok &= write(Icons::loudspeakerSvg(), resources.filePath(QStringLiteral("icons/sonti.svg")));
    ok &= save(Icons::openFolder(), resources.filePath(QStringLiteral("menu/open.png")), "PNG");
    ok &= save(Icons::exitCross(), resources.filePath(QStringLiteral("menu/exit.png")), "PNG");
    ok &= save(SplashPicture::paint(), work.filePath(QStringLiteral("splash.png")), "PNG");
    ok &= save(faces.contactSheet(3), work.filePath(QStringLiteral("faces.png")), "PNG");
    return ok ? 0 : 1;
}
