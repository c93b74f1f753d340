#pragma once

#include <QString>

#include <functional>
#include <memory>

class QDialog;
class QPageLayout;
class QPrinter;

namespace catalogue {
class Error;
}

// A long task's progress as the user sees it: nothing at first, a dialog with a
// Cancel button once the task has run for half a second.
class Progress {
public:
    virtual ~Progress() = default;
    // Says how far the task has come, out of the total it was made with. Returns
    // false once the user has asked to cancel; the task then stops and undoes itself.
    virtual bool advance(qint64 done) = 0;
};

// The services of the windowing platform that the window's commands use. The real
// ones are QtWindowServices; tests script fakes.
class WindowServices {
public:
    virtual ~WindowServices() = default;

    // Modal box: the text, the title, the information icon and one OK button.
    virtual void information(const QString& text, const QString& title) = 0;
    // Modal box with an empty entry field, OK and Cancel. Cancel returns the empty text.
    virtual QString prompt(const QString& text, const QString& title) = 0;
    // Modal Yes/No question whose default answer is No.
    virtual bool confirm(const QString& text, const QString& title) = 0;
    // Tells the user of an error that no command handled; the program goes on.
    virtual void showError(const catalogue::Error& error) = 0;
    // The directory that holds the running program.
    virtual QString programFolder() const = 0;

    // The services below have answers for services that never show them (a
    // driver without anyone at the keyboard): Cancel, a task nobody cancels, and
    // no print.

    // The file dialog for saving, in Italian, opening on `proposed` (a full path)
    // with a name filter like "CSV (*.csv)"; a file already there is replaced only
    // after the user agrees. Cancel returns the empty text.
    virtual QString saveFileName(const QString& title, const QString& proposed, const QString& filter);
    // The file dialog for opening an existing file, in Italian, with name filters
    // like "CSV (*.csv)"; a folder chosen is returned as it is (a calibre library).
    // Cancel returns the empty text.
    virtual QString openFileName(const QString& title, const QString& filter);
    // Reports on a task of `total` steps, titled `text`.
    virtual std::unique_ptr<Progress> progress(const QString& text, qint64 total);
    // The print dialog with its preview of the pages `paint` draws on the printer,
    // which comes set to `layout`; the user may change it before printing.
    virtual void printPreview(const QPageLayout& layout, const std::function<void(QPrinter&)>& paint);
    // Runs one of the program's own dialogs modally and returns its result;
    // without a user, Rejected at once.
    virtual int runDialog(QDialog& dialog);
    // Shows `folder` in the desktop's file manager; without a user, nothing.
    virtual void openFolder(const QString& folder);
    // Ends the program: the window closes and nothing further runs.
    virtual void end() = 0;
};
