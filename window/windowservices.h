#pragma once

#include <QString>

namespace catalogue {
class Error;
}

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
    // Ends the program: the window closes and nothing further runs.
    virtual void end() = 0;
};
