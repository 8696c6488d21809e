#include "FacePictures.h"
#include "Microphone.h"
#include "Palette.h"

#include <QPainter>

namespace {

using Microphone::Eyes;
using Microphone::Mouth;

const QRgb maskRgb = Palette::mask.rgb();
const QRgb backgroundRgb = Palette::faceBackground.rgb();

// The face as the picture box shows it, background included.
QImage renderFace(Eyes eyes, Mouth mouth)
{
    QImage image(FacePictures::side, FacePictures::side, QImage::Format_RGB32);
    image.fill(Palette::faceBackground);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    Microphone::paintBody(painter);
    Microphone::paintEyes(painter, eyes);
    Microphone::paintMouth(painter, mouth);
    return image;
}

// Pixels the microphone does not touch at all; they become magenta. Pixels it
// covers in part keep their blend with the dark grey they are seen against.
QImage outsideMask()
{
    QImage coverage(FacePictures::side, FacePictures::side, QImage::Format_ARGB32_Premultiplied);
    coverage.fill(Qt::transparent);
    QPainter painter(&coverage);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillPath(Microphone::silhouette(), Qt::white);
    painter.end();
    QImage outside(coverage.size(), QImage::Format_Mono);
    outside.fill(0);
    for (int y = 0; y < coverage.height(); ++y)
        for (int x = 0; x < coverage.width(); ++x)
            if (qAlpha(coverage.pixel(x, y)) == 0)
                outside.setPixel(x, y, 1);
    return outside;
}

// Keeps the rendering inside region (and inside the microphone), magenta
// elsewhere. The cut is per pixel, so no edge is blended with magenta.
QImage cut(const QImage &rendering, const QImage &outside, const QRect &region)
{
    QImage picture = rendering;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            if (!region.contains(x, y) || outside.pixelIndex(x, y) == 1)
                picture.setPixel(x, y, maskRgb);
    return picture;
}

// The picture box's view: background, then each picture with its magenta
// left out.
QImage compose(const QList<QImage> &layers)
{
    QImage result(FacePictures::side, FacePictures::side, QImage::Format_RGB32);
    result.fill(Palette::faceBackground);
    for (const QImage &layer : layers)
        for (int y = 0; y < result.height(); ++y)
            for (int x = 0; x < result.width(); ++x)
                if (layer.pixel(x, y) != maskRgb)
                    result.setPixel(x, y, layer.pixel(x, y));
    return result;
}

// Whether the drawing reaches past the outline that decides what is magenta.
bool paintsOutside(const QImage &rendering, const QImage &outside)
{
    for (int y = 0; y < rendering.height(); ++y)
        for (int x = 0; x < rendering.width(); ++x)
            if (outside.pixelIndex(x, y) == 1 && rendering.pixel(x, y) != backgroundRgb)
                return true;
    return false;
}

QImage asSeen(const QImage &rendering, const QImage &outside)
{
    return cut(rendering, outside, rendering.rect());
}

} // namespace

FacePictures::FacePictures()
{
    const QImage outside = outsideMask();
    const QImage fullRendering = renderFace(Eyes::Open, Mouth::Rest);
    const QImage full = cut(fullRendering, outside, fullRendering.rect());
    const auto add = [&](const QString &name, const QImage &image, const QImage &rendering) {
        if (paintsOutside(rendering, outside))
            m_problems.append(name + QStringLiteral(" paints outside the microphone's outline"));
        m_pictures.append({name, image, compose({full, image})});
        m_expected.append(compose({asSeen(rendering, outside)}));
    };

    add(QStringLiteral("MICFULL"), full, fullRendering);
    const Mouth mouths[] = {Mouth::Mic2, Mouth::Mic3, Mouth::Mic4,  Mouth::Mic5,  Mouth::Mic6,  Mouth::Mic7,
                            Mouth::Mic8, Mouth::Mic9, Mouth::Mic10, Mouth::Mic11, Mouth::Mic12, Mouth::Mic13};
    int number = 2;
    for (const Mouth mouth : mouths) {
        const QImage rendering = renderFace(Eyes::Open, mouth);
        add(QStringLiteral("MIC%1").arg(number++), cut(rendering, outside, Microphone::mouthRegion()), rendering);
    }
    for (const auto &[name, eyes] : {std::pair(QStringLiteral("MICEYECLOSED"), Eyes::Closed),
                                     std::pair(QStringLiteral("MICEYENARROW"), Eyes::Narrow)}) {
        const QImage rendering = renderFace(eyes, Mouth::Rest);
        add(name, cut(rendering, outside, Microphone::eyeRegion()), rendering);
    }
}

QString FacePictures::check() const
{
    QStringList problems = m_problems;
    for (qsizetype i = 0; i < m_pictures.size(); ++i) {
        const Picture &picture = m_pictures.at(i);
        if (picture.composite != m_expected.at(i))
            problems.append(picture.name
                            + QStringLiteral(" does not fit MICFULL: the face changes outside its region"));
        for (int y = 0; y < side; ++y)
            for (int x = 0; x < side; ++x)
                if (picture.composite.pixel(x, y) == maskRgb)
                    problems.append(picture.name + QStringLiteral(" shows magenta at %1,%2").arg(x).arg(y));
    }
    if (m_pictures.value(0).composite.pixel(0, 0) != backgroundRgb)
        problems.append(QStringLiteral("MICFULL covers its corner: the background does not show"));
    return problems.join(QLatin1Char('\n'));
}

QImage FacePictures::contactSheet(int scale) const
{
    constexpr int columns = 5;
    constexpr int gap = 6;
    constexpr int label = 14;
    const int cell = side * scale;
    const int rows = int((m_pictures.size() + columns - 1) / columns);
    QImage sheet(columns * (cell + gap) + gap, rows * (cell + gap + label) + gap, QImage::Format_RGB32);
    sheet.fill(QColor(0x20, 0x20, 0x20));
    QPainter painter(&sheet);
    painter.setPen(Qt::white);
    painter.setFont(QFont(QStringLiteral("DejaVu Sans"), 8));
    for (qsizetype i = 0; i < m_pictures.size(); ++i) {
        const QPoint at(gap + int(i % columns) * (cell + gap), gap + int(i / columns) * (cell + gap + label));
        painter.drawImage(QRect(at, QSize(cell, cell)), m_pictures.at(i).composite);
        painter.drawText(QRect(at + QPoint(0, cell), QSize(cell, label)), Qt::AlignCenter, m_pictures.at(i).name);
    }
    return sheet;
}
