// The command that opens the "Informazioni" dialog on the catalogue in use.
#include "abouttool.h"

#include "aboutdialog.h"
#include "toolhost.h"
#include "windowservices.h"

AboutTool::AboutTool(ToolHost& host, QObject* parent) : QObject(parent), m_host(host)
{
    host.addTool("mnuinformazioni", QStringLiteral("Informa&zioni su Gestione Dorvi"), {}, [this] { showAbout(); },
                 false);
}

void AboutTool::showAbout()
{
    AboutDialog dialog(m_host.cataloguePath(), m_host.dialogParent());
    m_host.services().runDialog(dialog);
}
