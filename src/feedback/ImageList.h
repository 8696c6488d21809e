#pragma once

#include <QImage>
#include <QPixmap>
#include <QString>

#include <vector>

// An invisible list of pictures, numbered from 1 and optionally keyed by
// text, that composes two of its pictures into one: the program's stand-in
// for the platform image list. Pixels of the mask colour are not part of a
// picture; a composite starts from the background colour, so whatever no
// picture covers shows that colour.
//
// Looking up a missing entry throws SontiError (35600 "Index out of bounds"
// for a number, 35601 "Element not found" for a key), so a caller that
// catches it simply keeps what it showed before. Colours are OLE colours.
class ImageList
{
public:
    // Names an entry: a number from 1, or a key. Converts implicitly from
    // either, so calls read like the list's own: Overlay("MICFULL", 7).
    class Ref
    {
    public:
        Ref(int index)
            : m_index(index)
        {}
        Ref(const QString &key)
            : m_key(key)
        {}
        Ref(const char *key)
            : m_key(QString::fromUtf8(key))
        {}

        bool isKey() const { return !m_key.isNull(); }
        int index() const { return m_index; }
        const QString &key() const { return m_key; }

    private:
        int m_index = 0;
        QString m_key;
    };

    ImageList() = default;

    // Appends a picture, with an optional key (empty means none). A null
    // picture fails with 481 "Invalid picture"; a key already in use with
    // 35602 "Key is not unique in collection". Returns the new entry's number.
    int Add(const QImage &picture, const QString &key = {});

    int count() const { return int(m_entries.size()); }
    bool contains(const Ref &ref) const { return position(ref) >= 0; }
    // The key of entry `index` (empty if it has none); throws if missing.
    QString key(int index) const;

    quint32 maskColor() const { return m_maskColor; }
    void setMaskColor(quint32 oleColor);
    quint32 backColor() const { return m_backColor; }
    void setBackColor(quint32 oleColor) { m_backColor = oleColor; }

    // The picture as it was added.
    QImage image(const Ref &ref) const;
    // The picture with its mask-coloured pixels made fully transparent.
    QImage maskedImage(const Ref &ref) const;

    // `base` drawn over the background colour, `over` drawn over that, both
    // without their mask-coloured pixels; the size of `base`.
    QImage overlayImage(const Ref &base, const Ref &over) const;
    QPixmap Overlay(const Ref &base, const Ref &over) const;

private:
    struct Entry
    {
        QImage picture;
        QString key;
        mutable QImage masked; // built on first use for the current mask colour
    };

    int position(const Ref &ref) const;
    const Entry &entry(const Ref &ref) const;

    std::vector<Entry> m_entries;
    // The platform list's defaults: light grey is transparent, white behind.
    quint32 m_maskColor = 0xC0C0C0;
    quint32 m_backColor = 0xFFFFFF;
};
