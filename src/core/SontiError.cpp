#include "SontiError.h"

SontiError::SontiError(int number, QString source, QString description)
    : m_number(number)
    , m_source(std::move(source))
    , m_description(std::move(description))
    , m_what(toString().toStdString())
{}

QString SontiError::toString() const
{
    return QStringLiteral("%1 (%2, %3)").arg(m_description, m_source).arg(m_number);
}
