#include "MouthImages.h"

#include "SontiError.h"

#include <QFileInfo>
#include <QHash>
#include <QImage>
#include <QImageReader>

namespace {

const QString errorSource = QStringLiteral("MouthImages");
const QString baseKey = QStringLiteral("MICFULL");
const QString eyesClosedKey = QStringLiteral("MICEYECLOSED");
const QString eyesNarrowKey = QStringLiteral("MICEYENARROW");

QImage loadPicture(const QString &prefix, const char *name)
{
    const QString path = prefix + QLatin1String(name) + QStringLiteral(".bmp");
    if (!QFileInfo::exists(path)) {
        throw SontiError(SontiError::ResourceNotFound, errorSource,
                         QStringLiteral("Resource with identifier '%1' not found").arg(QLatin1String(name)));
    }
    QImageReader reader(path);
    QImage picture = reader.read();
    if (picture.isNull())
        throw SontiError(SontiError::InvalidPicture, errorSource, QStringLiteral("Invalid picture"));
    return picture;
}

} // namespace

const std::array<MouthImages::Entry, MouthImages::entryCount> &MouthImages::entries()
{
    // Position n + 1 is viseme n's mouth; 22 is loaded but never shown.
    static const std::array<Entry, entryCount> table = {{
        {"MICFULL", "MICFULL"},
        {"MIC11", ""},
        {"MIC11", ""},
        {"MIC11", ""},
        {"MIC10", ""},
        {"MIC11", ""},
        {"MIC9", ""},
        {"MIC2", ""},
        {"MIC13", ""},
        {"MIC9", ""},
        {"MIC12", ""},
        {"MIC11", ""},
        {"MIC9", ""},
        {"MIC3", ""},
        {"MIC6", ""},
        {"MIC7", ""},
        {"MIC8", ""},
        {"MIC5", ""},
        {"MIC4", ""},
        {"MIC7", ""},
        {"MIC9", ""},
        {"MIC11", ""},
        {"MICEYECLOSED", "MICEYECLOSED"},
        {"MICEYENARROW", "MICEYENARROW"},
    }};
    return table;
}

QString MouthImages::errorText(const SontiError &error)
{
    return error.description() + QLatin1Char(':') + QString::number(error.number());
}

int MouthImages::load(ImageList &list, const QString &prefix, const ErrorHandler &onError)
{
    return load(list, read(prefix), onError);
}

MouthImages::Pictures MouthImages::read(const QString &prefix)
{
    Pictures pictures;
    // Several mouths share a picture: each is read once and shared.
    QHash<QLatin1String, QImage> byResource;
    try {
        for (const Entry &entry : entries()) {
            const QLatin1String resource(entry.resource);
            auto found = byResource.constFind(resource);
            if (found == byResource.constEnd())
                found = byResource.insert(resource, loadPicture(prefix, entry.resource));
            pictures.images.append(*found);
        }
    } catch (const SontiError &error) {
        pictures.error = error;
    }
    return pictures;
}

int MouthImages::load(ImageList &list, const Pictures &pictures, const ErrorHandler &onError)
{
    int added = 0;
    try {
        for (const QImage &picture : pictures.images) {
            list.Add(picture, QLatin1String(entries()[size_t(added)].key));
            ++added;
        }
        if (pictures.error)
            throw *pictures.error;
    } catch (const SontiError &error) {
        if (onError)
            onError(error);
    }
    return added;
}

ImageList::Ref MouthImages::visemeOverlay(int visemeId)
{
    // Silence shows the same face as viseme 1.
    const int v = visemeId == 0 ? 1 : visemeId;
    switch (v % 6) {
    case 2: return eyesClosedKey;
    case 5: return eyesNarrowKey;
    default: return v;
    }
}

QPixmap MouthImages::restingPicture(const ImageList &list)
{
    return list.Overlay(baseKey, eyesClosedKey);
}

QPixmap MouthImages::visemePicture(const ImageList &list, int visemeId)
{
    // The viseme's own entry must exist even when the eyes take its place,
    // so a number past the list never shows a face.
    list.image(visemeId == 0 ? 1 : visemeId);
    return list.Overlay(baseKey, visemeOverlay(visemeId));
}
