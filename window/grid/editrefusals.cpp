// The grid's refused writes. The object is a child of the grid and lives as long
// as it; between two of the user's actions it holds nothing: every error is told
// and every refused edit reopened (or rescued) before the next one is read.
#include "editrefusals.h"

#include "windowservices.h"

#include <QClipboard>
#include <QGuiApplication>

EditRefusals::EditRefusals(QObject& grid, WindowServices& services, Reopen reopen)
    : QObject(&grid), m_services(services), m_reopen(std::move(reopen))
{
}

QString EditRefusals::rescuedSentence()
{
    return QStringLiteral(" Il testo scritto è stato copiato negli appunti: si può incollare con Ctrl+V.");
}

void EditRefusals::report(const catalogue::Error& error)
{
    m_errors.push_back(error);
    QMetaObject::invokeMethod(this, &EditRefusals::showPending, Qt::QueuedConnection);
}

void EditRefusals::watch(const QPersistentModelIndex& cell, const QString& typed, Then then,
                         const std::function<void()>& write)
{
    const std::size_t before = m_errors.size();
    write();
    if (m_errors.size() == before)
        return;
    if (then == Then::Rescue)
        rescue(typed);
    else
        m_refused = Refused{cell, typed};
}

// The clipboard holds every text rescued since the errors were last told, one a
// line, and the last error raised by this write says where the text went.
void EditRefusals::rescue(const QString& typed)
{
    m_rescued += (m_rescued.isEmpty() ? QString() : QStringLiteral("\n")) + typed;
    QGuiApplication::clipboard()->setText(m_rescued);
    catalogue::Error& told = m_errors.back();
    told = catalogue::Error(told.number(), told.description() + rescuedSentence().toStdString(), told.engineCode(),
                            told.engineMessage());
}

void EditRefusals::showPending()
{
    const std::vector<catalogue::Error> errors = std::exchange(m_errors, {});
    m_rescued.clear();
    for (const catalogue::Error& error : errors)
        m_services.showError(error);
    const std::optional<Refused> refused = std::exchange(m_refused, std::nullopt);
    if (refused && refused->cell.isValid())
        m_reopen(refused->cell, refused->typed);
}
