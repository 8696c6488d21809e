#include "SapiMarkupParser.h"

#include "SapiMarkupReader.h"

#include <QStringList>

#include <algorithm>

SapiMarkupParser::SapiMarkupParser(VoiceResolver resolver)
    : m_resolver(std::move(resolver))
{}

SapiMarkupParser::Result SapiMarkupParser::parse(const QString &text, const SpeechState &initial) const
{
    SapiMarkupReader reader(text, initial, m_resolver);
    Result result;
    while (std::optional<SpeechFragment> fragment = reader.next())
        result.fragments.append(std::move(*fragment));
    if (reader.error().isError())
        return {{}, reader.error()};
    if (reader.plainTextOnly() && result.fragments.size() == 1)
        result.fragments.first().sourceOffsets.clear();
    return result;
}

bool SapiMarkupParser::isPhoneme(QStringView symbol)
{
    static const QStringList phones = {
        QStringLiteral("-"),  QStringLiteral("!"),  QStringLiteral("&"),  QStringLiteral(","),  QStringLiteral("."),
        QStringLiteral("?"),  QStringLiteral("_"),  QStringLiteral("1"),  QStringLiteral("2"),  QStringLiteral("aa"),
        QStringLiteral("ae"), QStringLiteral("ah"), QStringLiteral("ao"), QStringLiteral("aw"), QStringLiteral("ax"),
        QStringLiteral("ay"), QStringLiteral("b"),  QStringLiteral("ch"), QStringLiteral("d"),  QStringLiteral("dh"),
        QStringLiteral("eh"), QStringLiteral("er"), QStringLiteral("ey"), QStringLiteral("f"),  QStringLiteral("g"),
        QStringLiteral("h"),  QStringLiteral("ih"), QStringLiteral("iy"), QStringLiteral("jh"), QStringLiteral("k"),
        QStringLiteral("l"),  QStringLiteral("m"),  QStringLiteral("n"),  QStringLiteral("ng"), QStringLiteral("ow"),
        QStringLiteral("oy"), QStringLiteral("p"),  QStringLiteral("r"),  QStringLiteral("s"),  QStringLiteral("sh"),
        QStringLiteral("t"),  QStringLiteral("th"), QStringLiteral("uh"), QStringLiteral("uw"), QStringLiteral("v"),
        QStringLiteral("w"),  QStringLiteral("y"),  QStringLiteral("z"),  QStringLiteral("zh"),
    };
    return std::any_of(phones.cbegin(), phones.cend(),
                       [symbol](const QString &phone) { return symbol.compare(phone, Qt::CaseInsensitive) == 0; });
}
