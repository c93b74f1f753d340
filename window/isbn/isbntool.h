#pragma once

#include "lookupsettings.h"

#include <QObject>
#include <QString>

#include <functional>

class IsbnDialog;
class ToolHost;

// Strumenti › "Aggiungi da ISBN…" (Ctrl+Shift+I), in the grid's context menu too:
// in the editing mode, the dialog that adds books found by their ISBN; after it,
// the grid lists the catalogue with the books added, and goes to the book the user
// asked for or opens the new-row line with the ISBN to type in by hand.
class IsbnTool : public QObject {
public:
    using Settings = std::function<lookup::LookupSettings()>;
    // `settings` gives the services' addresses and switch at each opening; by
    // default the program's settings and the environment.
    IsbnTool(ToolHost& host, QObject* parent, Settings settings = {});

    void addFromIsbn();
    // Called with each dialog before it runs (tests set the client's pace there).
    std::function<void(IsbnDialog&)> beforeRun;

private:
    void startTyping(const QString& isbn13);

    ToolHost& m_host;
    Settings m_settings;
};
