#pragma once

#include <QColor>
#include <QImage>
#include <QTemporaryDir>

// A folder of stand-in face pictures for window tests: MICFULL is solid grey
// with a magenta corner; every partial picture is magenta except a 10x10
// patch at (40, 40) in a colour of its own, so a composite tells by one pixel
// which partial it shows.
class TestPictures
{
public:
    TestPictures()
    {
        QImage full(128, 128, QImage::Format_RGB32);
        full.fill(fullColour());
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x)
                full.setPixel(x, y, qRgb(255, 0, 255));
        full.save(m_dir.filePath(QStringLiteral("MICFULL.bmp")));
        for (const QString &name : partials()) {
            QImage part(128, 128, QImage::Format_RGB32);
            part.fill(qRgb(255, 0, 255));
            for (int y = 40; y < 50; ++y)
                for (int x = 40; x < 50; ++x)
                    part.setPixel(x, y, colourOf(name).rgb());
            part.save(m_dir.filePath(name + QStringLiteral(".bmp")));
        }
    }

    QString prefix() const { return m_dir.path() + QLatin1Char('/'); }
    QString path(const QString &name) const { return m_dir.filePath(name + QStringLiteral(".bmp")); }

    static QColor fullColour() { return QColor(120, 130, 140); }
    static QStringList partials()
    {
        QStringList names;
        for (int i = 2; i <= 13; ++i)
            names << QStringLiteral("MIC%1").arg(i);
        return names << QStringLiteral("MICEYECLOSED") << QStringLiteral("MICEYENARROW");
    }
    static QColor colourOf(const QString &partial)
    {
        return QColor::fromHsv(int(partials().indexOf(partial)) * 25, 200, 200);
    }
    // The partial shown in a composite, by the colour of its patch; "MICFULL"
    // when no partial covers the patch.
    static QString shownIn(const QImage &composite)
    {
        const QRgb patch = composite.pixel(45, 45);
        for (const QString &name : partials())
            if (qRgb(qRed(patch), qGreen(patch), qBlue(patch)) == colourOf(name).rgb())
                return name;
        return QColor(patch).rgb() == fullColour().rgb() ? QStringLiteral("MICFULL") : QColor(patch).name();
    }

private:
    QTemporaryDir m_dir;
};
