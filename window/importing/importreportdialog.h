#pragma once

#include <QDialog>

class QPlainTextEdit;

// The report of an import as the window shows it: the counts, then every line
// (duplicates, changed values, refused rows) in a text the user scrolls and
// copies. A message box froze for minutes on the 10,000 lines of a second
// import of a large export; a plain text view lays out only what is on show.
class ImportReportDialog : public QDialog {
public:
    ImportReportDialog(const QString& report, QWidget* parent = nullptr);
    QString text() const;

private:
    QPlainTextEdit* m_text;
};
