#pragma once

#include "EngineSet.h"
#include "MouthImages.h"

#include <QImage>
#include <QList>
#include <QString>

#include <future>
#include <memory>
#include <thread>

// What the main window's construction and load need that takes long and
// needs no widget, prepared on two threads of their own while the splash and
// the window are built, each in the order it is needed. One makes the splash
// picture (the splash paints it once its window is made), the font database
// and the window's fonts (the first text box would fill and load them) and
// the window icon's pictures; the other, started first, the speech engines
// (espeak-ng reads some 300 voice files) and then the face pictures (and
// with them Qt's image plugins, which the menu bar's own icon would load),
// which the load wants together.
// Each is taken when the window comes to it, waiting for it if need be;
// taken again (a second window), it is made afresh. An engine's error comes
// out where the voice is made, as it would have.
class WarmStart
{
public:
    // Start it after QApplication: espeak-ng sets the C library's locale as
    // it starts, as QApplication does, and must come last as it always has.
    explicit WarmStart(const QString &mouthPicturePrefix = MouthImages::defaultPrefix());
    ~WarmStart();

    QImage takeSplashPicture();
    QList<QImage> takeIconPictures();
    MouthImages::Pictures takePictures();
    std::unique_ptr<EngineSet> takeEngines();

private:
    std::promise<QImage> m_splashPicture;
    std::promise<QList<QImage>> m_iconPictures;
    std::promise<MouthImages::Pictures> m_pictures;
    std::promise<std::unique_ptr<EngineSet>> m_engines;
    std::future<QImage> m_splashPictureReady;
    std::future<QList<QImage>> m_iconPicturesReady;
    std::future<MouthImages::Pictures> m_picturesReady;
    std::future<std::unique_ptr<EngineSet>> m_enginesReady;
    QString m_mouthPicturePrefix;
    std::thread m_engineThread;
    std::thread m_thread;
};
