#pragma once

#include "error.h"
#include "windowservices.h"

#include <QDialog>

#include <functional>
#include <optional>
#include <string>

// Window services for driving the real window without anyone at the keyboard: the
// catalogue folder is the benchmark's, prompts answer from a script, and boxes are
// counted instead of shown.
class BenchServices : public WindowServices {
public:
    explicit BenchServices(std::string folder) : m_folder(QString::fromStdString(folder)) {}

    void setFolder(const std::string& folder) { m_folder = QString::fromStdString(folder); }
    void setAnswer(const std::string& answer) { m_answer = QString::fromStdString(answer); }

    void information(const QString&, const QString&) override { ++informations; }
    QString prompt(const QString&, const QString&) override { return m_answer; }
    bool confirm(const QString&, const QString&) override { return true; }
    void showError(const catalogue::Error& error) override
    {
        if (!lastError)
            lastError = error.what();
    }
    QString programFolder() const override { return m_folder; }
    QString saveFileName(const QString&, const QString&, const QString&) override { return m_savePath; }
    void end() override {}
    void setSavePath(const QString& path) { m_savePath = path; }
    // Plays the user's part in a dialog of the program's own; without a script the
    // dialog ends at once, unshown.
    int runDialog(QDialog& dialog) override
    {
        if (dialogScript)
            dialogScript(dialog);
        return dialog.result();
    }
    std::function<void(QDialog&)> dialogScript;

    // The first error shown since the last call, taken away.
    std::optional<std::string> takeError() { return std::exchange(lastError, std::nullopt); }

    int informations = 0;
    std::optional<std::string> lastError;

private:
    QString m_folder;
    QString m_answer;
    QString m_savePath;
};
