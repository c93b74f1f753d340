#pragma once

#include <QObject>
#include <QPointer>

class GuideWindow;
class ToolHost;

// "Guida" (F1) in the "Strumenti" menu: the user's guide in a window that stays
// open beside the catalogue; asked again, the same window comes to the front.
class GuideTool : public QObject {
public:
    GuideTool(ToolHost& host, QObject* parent);

    void showGuide();

private:
    ToolHost& m_host;
    QPointer<GuideWindow> m_window;
};
