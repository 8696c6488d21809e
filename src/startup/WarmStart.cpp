#include "WarmStart.h"

#include "frmSPLASH.h"
#include "frmTTSUi.h"

#include <QFontDatabase>
#include <QFontMetrics>

#include <exception>

WarmStart::WarmStart(const QString &mouthPicturePrefix)
    : m_splashPictureReady(m_splashPicture.get_future())
    , m_iconPicturesReady(m_iconPictures.get_future())
    , m_picturesReady(m_pictures.get_future())
    , m_enginesReady(m_engines.get_future())
    , m_mouthPicturePrefix(mouthPicturePrefix)
{
    // The engines are the longest to make and, with the face, the last
    // wanted: made beside the rest, they come ready about when it does.
    m_engineThread = std::thread([this, mouthPicturePrefix] {
        try {
            m_engines.set_value(EngineSet::installed());
        } catch (...) {
            m_engines.set_exception(std::current_exception());
        }
        // Reading them loads Qt's image plugins, which the window's menu
        // bar would load too.
        m_pictures.set_value(MouthImages::read(mouthPicturePrefix));
    });
    try {
        m_thread = std::thread([this] {
            m_splashPicture.set_value(frmSPLASH::picture());
            // Thread-safe; the database is filled once for the whole process,
            // and the fonts' fallbacks, looked up once, are kept for every
            // thread: the window's first text then waits on neither.
            QFontDatabase::families();
            for (bool bold : {false, true})
                QFontMetrics(frmTTSUi::designFont(bold)).height();
            m_iconPictures.set_value(frmTTSUi::iconPictures());
        });
    } catch (...) {
        m_engineThread.join();
        throw;
    }
}

WarmStart::~WarmStart()
{
    m_thread.join();
    m_engineThread.join();
}

QImage WarmStart::takeSplashPicture()
{
    return m_splashPictureReady.valid() ? m_splashPictureReady.get() : frmSPLASH::picture();
}

QList<QImage> WarmStart::takeIconPictures()
{
    return m_iconPicturesReady.valid() ? m_iconPicturesReady.get() : frmTTSUi::iconPictures();
}

MouthImages::Pictures WarmStart::takePictures()
{
    return m_picturesReady.valid() ? m_picturesReady.get() : MouthImages::read(m_mouthPicturePrefix);
}

std::unique_ptr<EngineSet> WarmStart::takeEngines()
{
    return m_enginesReady.valid() ? m_enginesReady.get() : EngineSet::installed();
}
