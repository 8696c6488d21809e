#pragma once

#include <QAccessibleWidget>
#include <QPointer>

class QLabel;

// How assistive technology sees the level meter: one object, named for the
// audio level, whose value is the level the meter shows (0-100, and the
// percentage as text). The percentage label inside the meter is not a
// separate object, and nothing is announced as the level changes about 15
// times a second: the meter is there for the eye, and a screen reader that
// wants the level asks for the value.
class LevelMeterAccessible : public QAccessibleWidget, public QAccessibleValueInterface
{
public:
    // meter: the surface the bars are drawn on; percentage: the label
    // inside it that shows the level as "n%".
    LevelMeterAccessible(QWidget *meter, QLabel *percentage);

    // Makes every meter surface of the program (class MeterSurface) appear
    // this way, its first child label being the percentage. Call once, before
    // a screen reader may ask for the window's objects.
    static void install();

    int childCount() const override { return 0; }
    QAccessibleInterface *child(int) const override { return nullptr; }
    int indexOfChild(const QAccessibleInterface *) const override { return -1; }
    QAccessibleInterface *childAt(int, int) const override { return nullptr; }
    QString text(QAccessible::Text t) const override;
    void *interface_cast(QAccessible::InterfaceType type) override;

    QVariant currentValue() const override;
    void setCurrentValue(const QVariant &) override {}
    QVariant maximumValue() const override { return 100; }
    QVariant minimumValue() const override { return 0; }
    QVariant minimumStepSize() const override { return 1; }

private:
    QString shown() const;

    QPointer<QLabel> m_percentage;
};
