#include "SpObjectToken.h"

#include "LanguageIds.h"

SpObjectToken::SpObjectToken(VoiceDescription voice, bool vendorPreferred)
    : m_voice(std::move(voice))
    , m_vendorPreferred(vendorPreferred)
{}

QString SpObjectToken::Id() const
{
    if (isNull())
        return {};
    return m_voice.engine + u'/' + m_voice.id;
}

QString SpObjectToken::GetDescription(int) const
{
    if (isNull())
        return {};
    const QString text = m_voice.description.isEmpty() ? m_voice.name : m_voice.description;
    return QStringLiteral("%1 - %2").arg(text.simplified(), m_voice.vendor.simplified());
}

bool SpObjectToken::hasAttribute(const QString &name) const
{
    const QString key = name.trimmed().toLower();
    if (key == u"name" || key == u"vendor")
        return true;
    if (key == u"gender")
        return !m_voice.gender.isEmpty();
    if (key == u"age")
        return !m_voice.age.isEmpty();
    if (key == u"language")
        return !LanguageIds::langIdFor(m_voice.language).isEmpty();
    if (key == u"vendorpreferred")
        return m_vendorPreferred;
    return false;
}

QString SpObjectToken::GetAttribute(const QString &name) const
{
    const QString key = name.trimmed().toLower();
    if (key == u"name")
        return m_voice.name;
    if (key == u"vendor")
        return m_voice.vendor;
    if (key == u"gender")
        return m_voice.gender;
    if (key == u"age")
        return m_voice.age;
    if (key == u"language")
        return LanguageIds::langIdFor(m_voice.language);
    return {};
}
