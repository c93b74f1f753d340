// The guide's command: one window for the run, made when first asked for.
#include "guidetool.h"

#include "guidewindow.h"
#include "toolhost.h"

#include <QKeySequence>

GuideTool::GuideTool(ToolHost& host, QObject* parent) : QObject(parent), m_host(host)
{
    host.addTool("mnuguida", QStringLiteral("Gui&da"), {QKeySequence(Qt::Key_F1)}, [this] { showGuide(); }, false);
}

void GuideTool::showGuide()
{
    if (!m_window)
        m_window = new GuideWindow(m_host.dialogParent());
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
}
