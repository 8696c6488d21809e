#include "LevelMeterAccessible.h"

#include <QLabel>

namespace {

QAccessibleInterface *meterFactory(const QString &className, QObject *object)
{
    if (className != QLatin1String("MeterSurface") || !object || !object->isWidgetType())
        return nullptr;
    auto *meter = static_cast<QWidget *>(object);
    return new LevelMeterAccessible(meter, meter->findChild<QLabel *>(QString(), Qt::FindDirectChildrenOnly));
}

} // namespace

LevelMeterAccessible::LevelMeterAccessible(QWidget *meter, QLabel *percentage)
    : QAccessibleWidget(meter, QAccessible::ProgressBar)
    , m_percentage(percentage)
{}

void LevelMeterAccessible::install()
{
    QAccessible::installFactory(&meterFactory);
}

QString LevelMeterAccessible::shown() const
{
    // Before the first level the label is empty; the meter then shows none.
    const QString text = m_percentage ? m_percentage->text() : QString();
    return text.isEmpty() ? QStringLiteral("0%") : text;
}

QString LevelMeterAccessible::text(QAccessible::Text t) const
{
    if (t == QAccessible::Value)
        return shown();
    return QAccessibleWidget::text(t);
}

void *LevelMeterAccessible::interface_cast(QAccessible::InterfaceType type)
{
    if (type == QAccessible::ValueInterface)
        return static_cast<QAccessibleValueInterface *>(this);
    return QAccessibleWidget::interface_cast(type);
}

QVariant LevelMeterAccessible::currentValue() const
{
    const QString text = shown();
    return text.left(text.size() - 1).toInt();
}
