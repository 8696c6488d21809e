#pragma once

#include "EngineSet.h"
#include "MouthImages.h"

#include <QString>

#include <future>
#include <memory>
#include <thread>

// What the main window's load needs that takes long and needs no widget,
// prepared on a thread of its own while the splash and the window are
// built: the face pictures (and with them Qt's image plugins), the font
// database (the first text box would fill it) and the speech engines
// (espeak-ng reads some 300 voice files).
// Each is taken in the load's order, waiting for it if need be; taken again
// (a second load), it is made afresh. An engine's error comes out where the
// voice is made, as it would have.
class WarmStart
{
public:
    // Start it after QApplication: espeak-ng sets the C library's locale as
    // it starts, as QApplication does, and must come last as it always has.
    explicit WarmStart(const QString &mouthPicturePrefix = MouthImages::defaultPrefix());
    ~WarmStart();

    MouthImages::Pictures takePictures();
    std::unique_ptr<EngineSet> takeEngines();

private:
    std::promise<MouthImages::Pictures> m_pictures;
    std::promise<std::unique_ptr<EngineSet>> m_engines;
    std::future<MouthImages::Pictures> m_picturesReady;
    std::future<std::unique_ptr<EngineSet>> m_enginesReady;
    QString m_mouthPicturePrefix;
    std::thread m_thread;
};
