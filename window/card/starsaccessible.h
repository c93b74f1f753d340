#pragma once

#include <QAccessibleValueInterface>
#include <QAccessibleWidget>

class StarsField;

// The star rating as a screen reader meets it: a slider from 0 to 5 whose value is
// read "4 su 5" ("nessun voto" for none) and can be set as any slider's is.
class StarsAccessible : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    explicit StarsAccessible(StarsField* stars);

    // Makes Qt build this interface for every StarsField; once is enough.
    static void install();

    void* interface_cast(QAccessible::InterfaceType type) override;
    QString text(QAccessible::Text t) const override;
    QAccessible::State state() const override;

    QVariant currentValue() const override;
    void setCurrentValue(const QVariant& value) override;
    QVariant maximumValue() const override { return 5; }
    QVariant minimumValue() const override { return 0; }
    QVariant minimumStepSize() const override { return 1; }

private:
    StarsField* stars() const;
};
