#include "WarmStart.h"

#include <QFontDatabase>

#include <exception>

WarmStart::WarmStart(const QString &mouthPicturePrefix)
    : m_picturesReady(m_pictures.get_future())
    , m_enginesReady(m_engines.get_future())
    , m_mouthPicturePrefix(mouthPicturePrefix)
{
    m_thread = std::thread([this, mouthPicturePrefix] {
        // The first picture read loads every image plugin, to ask which
        // reads it: the window's menu bar and icon would load them too.
        m_pictures.set_value(MouthImages::read(mouthPicturePrefix));
        // Thread-safe; the database is filled once for the whole process.
        QFontDatabase::families();
        try {
            m_engines.set_value(EngineSet::installed());
        } catch (...) {
            m_engines.set_exception(std::current_exception());
        }
    });
}

WarmStart::~WarmStart()
{
    m_thread.join();
}

MouthImages::Pictures WarmStart::takePictures()
{
    return m_picturesReady.valid() ? m_picturesReady.get() : MouthImages::read(m_mouthPicturePrefix);
}

std::unique_ptr<EngineSet> WarmStart::takeEngines()
{
    return m_enginesReady.valid() ? m_enginesReady.get() : EngineSet::installed();
}
