#pragma once

#include "error.h"
#include "grid.h"
#include "recordset.h"
#include "windowservices.h"

#include <QStringList>

#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// Window services that record every call and answer from a script.
class FakeWindowServices : public WindowServices {
public:
    struct Message {
        QString text, title;
    };

    explicit FakeWindowServices(QString folder = {}) : folder(std::move(folder)) {}

    void information(const QString& text, const QString& title) override;
    QString prompt(const QString& text, const QString& title) override;
    bool confirm(const QString& text, const QString& title) override;
    void showError(const catalogue::Error& error) override;
    QString programFolder() const override { return folder; }
    QString saveFileName(const QString& title, const QString& proposed, const QString& filter) override;
    QString openFileName(const QString& title, const QString& filter) override;
    std::unique_ptr<Progress> progress(const QString& text, qint64 total) override;
    void printPreview(const QPageLayout& layout, const std::function<void(QPrinter&)>& paint) override;
    int runDialog(QDialog& dialog) override;
    void openFolder(const QString& folder) override { openedFolders.push_back(folder); }
    void end() override { ++ends; }

    QString folder;
    std::deque<QString> promptAnswers;   ///< answered in order; an empty queue answers Cancel
    std::deque<bool> confirmAnswers;     ///< answered in order; an empty queue answers No
    std::vector<Message> informations;
    std::vector<Message> prompts;
    std::vector<Message> confirmations;
    std::vector<catalogue::Error> errors;
    std::deque<QString> fileAnswers;     ///< answered in order; an empty queue answers Cancel
    std::vector<Message> fileDialogs;    ///< title, and the proposed path as text
    // A task's progress is cancelled at its first report at or after this step.
    std::optional<qint64> cancelAt;
    std::vector<qint64> progressTotals;
    QString printedTo; ///< when set, the print dialog "prints" to this PDF file
    int previews = 0;
    // Plays the user's part in a dialog of the program's own, then it is Rejected.
    std::function<void(QDialog&)> dialogScript;
    int dialogsRun = 0;
    QStringList openedFolders;
    int ends = 0;

private:
    QString nextFileAnswer();
};

// A grid that records what the window writes to it, in order.
class FakeGrid : public Grid {
public:
    void setDataSource(std::shared_ptr<catalogue::Recordset> source) override;
    std::shared_ptr<catalogue::Recordset> boundResult() const override { return dataSource; }
    void setAllowAddNew(bool allow) override;
    void setAllowDelete(bool allow) override;
    void setAllowUpdate(bool allow) override;
    void setBackColor(std::uint32_t color) override;
    void setNotifications(Notifications n) override { notifications = std::move(n); }
    void commitPendingEdit() override {}
    void addContextAction(QAction* action) override { contextActions.push_back(action); }
    RowsOnShow rowsOnShow() const override { return RowsOnShow::all(dataSource); }
    bool lacksNewRowLine() const override { return allowAddNew && !(dataSource && dataSource->isUpdatable()); }
    void takeFocus() override { ++focusTaken; }
    ShownRowsModel* shownRows() const override { return nullptr; }
    void showStatementOrder() override {}

    std::shared_ptr<catalogue::Recordset> dataSource;
    bool allowAddNew = false, allowDelete = false, allowUpdate = false;
    std::uint32_t backColor = 0xFFFFFF;
    QStringList calls; ///< e.g. "DataSource", "AllowAddNew=true", "BackColor=65280"
    Notifications notifications;
    std::vector<QAction*> contextActions;
    int focusTaken = 0;
};
