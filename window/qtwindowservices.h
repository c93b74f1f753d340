#pragma once

#include <QPointer>
#include <QWidget>

#include "windowservices.h"

#include <vector>

// The window services on Qt's own modal dialogs, in Italian.
// Every message box first closes the progress dialogs of the tasks under way.
class QtWindowServices : public WindowServices {
public:
    QtWindowServices();
    ~QtWindowServices() override;
    QtWindowServices(const QtWindowServices&) = delete;
    QtWindowServices& operator=(const QtWindowServices&) = delete;

    // Dialogs open over `window`, and ending the program closes it.
    void setWindow(QWidget* window) { m_window = window; }

    void information(const QString& text, const QString& title) override;
    QString prompt(const QString& text, const QString& title) override;
    bool confirm(const QString& text, const QString& title) override;
    void showError(const catalogue::Error& error) override;
    QString programFolder() const override;
    QString saveFileName(const QString& title, const QString& proposed, const QString& filter) override;
    QString openFileName(const QString& title, const QString& filter) override;
    std::unique_ptr<Progress> progress(const QString& text, qint64 total) override;
    void printPreview(const QPageLayout& layout, const std::function<void(QPrinter&)>& paint) override;
    int runDialog(QDialog& dialog) override;
    void openFolder(const QString& folder) override;
    void end() override;

private:
    class DialogProgress;
    void closeProgress();

    QPointer<QWidget> m_window;
    std::vector<DialogProgress*> m_openProgress; ///< the tasks' dialogs, open or still to appear
};

// The text of an error as the user reads it: "Errore N: description".
QString errorText(const catalogue::Error& error);
