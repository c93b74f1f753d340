#pragma once

#include <QLineEdit>

#include <optional>

// The field that takes an ISBN typed or scanned: a barcode scanner types the
// digits and Enter. Its Enter is its own, never also the dialog's default button.
class IsbnField : public QLineEdit {
    Q_OBJECT
public:
    explicit IsbnField(QWidget* parent = nullptr);

    // The ISBN-13 of `typed` (an ISBN-10 or ISBN-13 in any written form); none,
    // with `problem` saying why in Italian (naming the right check digit), for
    // anything else.
    static std::optional<QString> isbn13(const QString& typed, QString& problem);

signals:
    void entered();

protected:
    void keyPressEvent(QKeyEvent* event) override;
};
