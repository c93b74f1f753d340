// The collector's tools of Strumenti, made in their menu order; each reaches the
// window only through the host it is lent.
#include "collectortools.h"

#include "abouttool.h"
#include "cardtool.h"
#include "completiontool.h"
#include "duplicatetools.h"
#include "fieldtools.h"
#include "guidetool.h"
#include "importtools.h"
#include "isbntool.h"
#include "loantools.h"
#include "summarytools.h"
#include "toolhost.h"

void addCollectorTools(ToolHost& host, QObject* owner)
{
    new FieldTools(host, owner);
    new CardTool(host, owner);
    new ImportTools(host, owner);
    new IsbnTool(host, owner);
    new LoanTools(host, owner);
    new SummaryTools(host, owner);
    new DuplicateTools(host, owner);
    new CompletionTool(host, owner);
    host.addToolSeparator();
    new GuideTool(host, owner);
    new AboutTool(host, owner);
}
