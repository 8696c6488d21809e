#include "LanguageIds.h"

#include <QHash>

namespace {
// Primary language ids; with SUBLANG_DEFAULT (1) the LANGID is 0x400 | id.
const QHash<QString, int> &primaryIds()
{
    static const QHash<QString, int> ids = {
        {"ar", 0x01},  {"bg", 0x02}, {"ca", 0x03}, {"zh", 0x04}, {"cmn", 0x04}, {"cs", 0x05},  {"da", 0x06},
        {"de", 0x07},  {"el", 0x08}, {"en", 0x09}, {"es", 0x0a}, {"fi", 0x0b},  {"fr", 0x0c},  {"he", 0x0d},
        {"hu", 0x0e},  {"is", 0x0f}, {"it", 0x10}, {"ja", 0x11}, {"ko", 0x12},  {"nl", 0x13},  {"nb", 0x14},
        {"no", 0x14},  {"pl", 0x15}, {"pt", 0x16}, {"ro", 0x18}, {"ru", 0x19},  {"hr", 0x1a},  {"sk", 0x1b},
        {"sq", 0x1c},  {"sv", 0x1d}, {"th", 0x1e}, {"tr", 0x1f}, {"ur", 0x20},  {"id", 0x21},  {"uk", 0x22},
        {"be", 0x23},  {"sl", 0x24}, {"et", 0x25}, {"lv", 0x26}, {"lt", 0x27},  {"fa", 0x29},  {"vi", 0x2a},
        {"hy", 0x2b},  {"az", 0x2c}, {"eu", 0x2d}, {"mk", 0x2f}, {"tn", 0x32},  {"af", 0x36},  {"ka", 0x37},
        {"hi", 0x39},  {"mt", 0x3a}, {"ga", 0x3c}, {"ms", 0x3e}, {"kk", 0x3f},  {"ky", 0x40},  {"sw", 0x41},
        {"tk", 0x42},  {"uz", 0x43}, {"tt", 0x44}, {"bn", 0x45}, {"pa", 0x46},  {"gu", 0x47},  {"or", 0x48},
        {"ta", 0x49},  {"te", 0x4a}, {"kn", 0x4b}, {"ml", 0x4c}, {"as", 0x4d},  {"mr", 0x4e},  {"sa", 0x4f},
        {"mn", 0x50},  {"cy", 0x52}, {"my", 0x55}, {"gl", 0x56}, {"kok", 0x57}, {"sd", 0x59},  {"si", 0x5b},
        {"am", 0x5e},  {"ne", 0x61}, {"fy", 0x62}, {"om", 0x72}, {"gn", 0x74},  {"haw", 0x75}, {"la", 0x76},
        {"ba", 0x6d},  {"lb", 0x6e}, {"kl", 0x6f}, {"ug", 0x80}, {"mi", 0x81},  {"gd", 0x91},  {"ku", 0x92},
        {"quc", 0x86}, {"qu", 0x6b}, {"sr", 0x1a}, {"bs", 0x1a}, {"yue", 0x04}, {"hak", 0x04},
    };
    return ids;
}

// Languages and regions whose LANGID is not the default sublanguage.
const QHash<QString, int> &regionalIds()
{
    static const QHash<QString, int> ids = {
        {"en-gb", 0x809},
        {"en-au", 0xc09},
        {"en-ca", 0x1009},
        {"en-nz", 0x1409},
        {"en-ie", 0x1809},
        {"en-za", 0x1c09},
        {"en-jm", 0x2009},
        {"en-029", 0x2409},
        {"en-in", 0x4009},
        {"en-sg", 0x4809},
        {"en-gb-scotland", 0x809},
        {"en-gb-x-rp", 0x809},
        {"en-gb-x-gbclan", 0x809},
        {"en-gb-x-gbcwmd", 0x809},
        {"pt-pt", 0x816},
        {"pt-br", 0x416},
        {"es-es", 0xc0a},
        {"es-mx", 0x80a},
        {"es-419", 0x580a},
        {"fr-be", 0x80c},
        {"fr-ch", 0x100c},
        {"fr-ca", 0xc0c},
        {"de-at", 0xc07},
        {"de-ch", 0x807},
        {"nl-be", 0x813},
        {"zh-tw", 0x404},
        {"zh-hk", 0xc04},
        {"yue", 0xc04},
        {"sr", 0x81a},
        {"bs", 0x141a},
        {"nn", 0x814},
        {"nb", 0x414},
        {"sv-fi", 0x81d},
        {"ar-eg", 0xc01},
        {"ms-bn", 0x83e},
    };
    return ids;
}
}

QString LanguageIds::langIdFor(const QString &bcp47)
{
    const QString tag = bcp47.trimmed().toLower();
    if (tag.isEmpty())
        return {};
    if (const auto it = regionalIds().constFind(tag); it != regionalIds().constEnd())
        return QString::number(it.value(), 16);
    const QString primary = tag.section(u'-', 0, 0);
    if (const auto it = primaryIds().constFind(primary); it != primaryIds().constEnd())
        return QString::number(0x400 | it.value(), 16);
    return {};
}
