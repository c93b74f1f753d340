// The tools of the window subscribed to the catalogue's changes, and the change
// told before a listing when its maker told none.
#include "cataloguelisteners.h"

#include "catalogue.h"

CatalogueListeners::CatalogueListeners(std::shared_ptr<catalogue::Catalogue> catalogue)
    : m_catalogue(std::move(catalogue))
{
    m_watch = m_catalogue->subscribe([this](const catalogue::CatalogueChange& change) {
        using catalogue::ChangeKind;
        if (change.kind == ChangeKind::FieldsChanged || change.kind == ChangeKind::FileReplaced)
            m_changeTold = true;
    });
}

CatalogueListeners::~CatalogueListeners() = default;

void CatalogueListeners::whenBookWritten(std::function<void()> listener)
{
    m_subscriptions.push_back(m_catalogue->subscribe([listener = std::move(listener)](const auto& change) {
        if (change.kind == catalogue::ChangeKind::BookWritten)
            listener();
    }));
}

void CatalogueListeners::whenCatalogueChanged(std::function<void()> listener)
{
    m_subscriptions.push_back(m_catalogue->subscribe([listener = std::move(listener)](const auto& change) {
        if (change.kind != catalogue::ChangeKind::BookWritten)
            listener();
    }));
}

void CatalogueListeners::beforeRelist()
{
    if (!m_changeTold)
        m_catalogue->fileReplaced();
    m_changeTold = false;
}
