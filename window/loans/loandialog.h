#pragma once

#include <QDate>
#include <QDialog>
#include <QStringList>

class QDateEdit;
class QDialogButtonBox;
class QLineEdit;

// "Presta": to whom and since when. The name completes from the names books were
// lent to before; the date is today unless changed. OK waits for a name.
class LoanDialog : public QDialog {
public:
    LoanDialog(const QStringList& names, const QDate& today, int books, QWidget* parent = nullptr);

    // The name as typed, without spaces at either end.
    QString name() const;
    QDate date() const;

private:
    void followName();

    QLineEdit* m_name = nullptr;
    QDateEdit* m_date = nullptr;
    QDialogButtonBox* m_buttons = nullptr;
};
