#pragma once

#include <QPointer>
#include <QWidget>

#include "windowservices.h"

// The window services on Qt's own modal dialogs, in Italian.
class QtWindowServices : public WindowServices {
public:
    // Dialogs open over `window`, and ending the program closes it.
    void setWindow(QWidget* window) { m_window = window; }

    void information(const QString& text, const QString& title) override;
    QString prompt(const QString& text, const QString& title) override;
    bool confirm(const QString& text, const QString& title) override;
    void showError(const catalogue::Error& error) override;
    QString programFolder() const override;
    QString saveFileName(const QString& title, const QString& proposed, const QString& filter) override;
    std::unique_ptr<Progress> progress(const QString& text, qint64 total) override;
    void printPreview(const QPageLayout& layout, const std::function<void(QPrinter&)>& paint) override;
    int runDialog(QDialog& dialog) override;
    void openFolder(const QString& folder) override;
    void end() override;

private:
    QPointer<QWidget> m_window;
};

// The text of an error as the user reads it: "Errore N: description".
QString errorText(const catalogue::Error& error);
