#pragma once

#include <QImage>
#include <QList>
#include <QString>
#include <QStringList>

// FacePictures renders the fifteen 128 x 128 face bitmaps: the whole face
// "MICFULL" and the partial pictures that are laid over it, each magenta
// wherever it is not part of the picture.
//
// Every picture comes from one full rendering of the face on the picture
// box's dark grey, so antialiased edges blend into the colour they will be
// seen against and never into magenta. A partial picture is that rendering
// cut to the eye or mouth region with a hard edge; laid over MICFULL it gives
// back the full rendering exactly, which check() proves for every picture.
class FacePictures
{
public:
    struct Picture
    {
        QString name;     // "MICFULL", "MIC2", ... "MICEYENARROW"
        QImage image;     // 128 x 128, RGB32
        QImage composite; // over MICFULL on the background, as shown
    };

    FacePictures();

    const QList<Picture> &pictures() const { return m_pictures; }

    // Empty when every partial picture fits MICFULL exactly and no picture
    // shows magenta once composed; otherwise what is wrong.
    QString check() const;

    // All composites side by side, enlarged, for looking at.
    QImage contactSheet(int scale) const;

    static constexpr int side = 128;

private:
    QList<Picture> m_pictures;
    QList<QImage> m_expected; // the full rendering of each picture's face
    QStringList m_problems;
};
