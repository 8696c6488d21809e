#pragma once

#include "ImageList.h"
#include "SontiError.h"

#include <QPixmap>
#include <QString>

#include <array>
#include <functional>
#include <optional>

// The talking face: which pictures go into the mouth image list, in which
// order, and which composite shows for each viseme. The list's numbers 1-21
// are the engine's viseme numbers, so a viseme needs no table of its own at
// run time; 23 and 24 are the eye pictures, found by key.
//
// Every composite is "MICFULL" with one picture drawn over it. On visemes
// whose number leaves 2 when divided by 6 the face closes its eyes instead of
// moving its mouth, on 5 it narrows them; the eyes depend on the number
// alone, so equal visemes always give equal pictures.
class MouthImages
{
public:
    struct Entry
    {
        const char *resource; // picture file name without ".bmp"
        const char *key;      // empty: no key
    };

    static constexpr int entryCount = 24;
    static const std::array<Entry, entryCount> &entries();

    static QString defaultPrefix() { return QStringLiteral(":/mouth/"); }
    // The caption of the message box that reports a failed load.
    static QString errorTitle() { return QStringLiteral("Load Images Error"); }
    // Its text: the description, ":" and the number, nothing between.
    static QString errorText(const SontiError &error);

    using ErrorHandler = std::function<void(const SontiError &)>;

    // Appends the 24 entries to `list`, which should be empty so that the
    // numbers are the viseme numbers; each picture is loaded afresh from
    // `prefix` + name + ".bmp". The first picture that cannot be loaded or
    // added is passed to `onError` and ends the load: the entries before it
    // stay, it and those after it are missing. Returns the number added.
    static int load(ImageList &list, const QString &prefix = defaultPrefix(), const ErrorHandler &onError = {});

    // The entries' pictures read ahead, on any thread: those before the
    // first that cannot be read, and that one's error.
    struct Pictures
    {
        QList<QImage> images;
        std::optional<SontiError> error;
    };
    static Pictures read(const QString &prefix = defaultPrefix());
    // As load() above, from pictures read ahead.
    static int load(ImageList &list, const Pictures &pictures, const ErrorHandler &onError = {});

    // The picture drawn over "MICFULL" for a viseme number.
    static ImageList::Ref visemeOverlay(int visemeId);

    // The composites. They throw SontiError for an entry missing from `list`
    // (after a failed load, or for a viseme number past the list), so a
    // caller that catches it leaves the face as it was.
    static QPixmap restingPicture(const ImageList &list);
    static QPixmap visemePicture(const ImageList &list, int visemeId);
};
