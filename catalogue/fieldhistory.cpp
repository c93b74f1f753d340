// An entry keeps names, never positions: the column may have moved to the table's
// end since (ADD COLUMN appends), and undo and redo find it by name again.
#include "fieldhistory.h"

#include "connection.h"

namespace catalogue {

namespace {

template <typename Change>
void onCatalogue(const std::string& path, Change change)
{
    Connection connection = Connection::openedForWriting(path);
    change(connection.handle());
}

class FieldEntry : public History::Step {
public:
    FieldEntry(std::string path, FieldHistory::Afterward afterward)
        : m_path(std::move(path)), m_afterward(std::move(afterward))
    {
    }
    // A structure change writes the file itself, in one statement: no books to
    // count, no progress to tell.
    std::size_t books() const override { return 0; }
    bool undo(Recordset&, const std::function<bool(std::size_t)>&) override { return undoField(), true; }
    bool redo(Recordset&, const std::function<bool(std::size_t)>&) override { return redoField(), true; }

protected:
    virtual void undoField() = 0;
    virtual void redoField() = 0;

    template <typename Change>
    void write(Change change)
    {
        onCatalogue(m_path, change);
        if (m_afterward)
            m_afterward();
    }

    std::string m_path;

private:
    FieldHistory::Afterward m_afterward;
};

// A column the user added: taken back, it goes with what was typed into it since.
class Added : public FieldEntry {
public:
    Added(std::string path, std::string name, std::string declared, FieldHistory::Afterward afterward)
        : FieldEntry(std::move(path), std::move(afterward)), m_kept{std::move(name), std::move(declared), {}}
    {
    }
    std::string text() const override { return "aggiunta del campo «" + m_kept.name + "»"; }
    void undoField() override
    {
        write([this](sqlite3* db) { m_kept = removeField(db, m_kept.name); });
    }
    void redoField() override
    {
        write([this](sqlite3* db) { restoreField(db, m_kept); });
    }

private:
    KeptColumn m_kept;
};

class Renamed : public FieldEntry {
public:
    Renamed(std::string path, std::string from, std::string to, FieldHistory::Afterward afterward)
        : FieldEntry(std::move(path), std::move(afterward)), m_from(std::move(from)), m_to(std::move(to))
    {
    }
    std::string text() const override { return "nuovo nome del campo «" + m_from + "»"; }
    void undoField() override
    {
        write([this](sqlite3* db) { renameField(db, m_to, m_from); });
    }
    void redoField() override
    {
        write([this](sqlite3* db) { renameField(db, m_from, m_to); });
    }

private:
    std::string m_from;
    std::string m_to;
};

class Removed : public FieldEntry {
public:
    Removed(std::string path, KeptColumn kept, FieldHistory::Afterward afterward)
        : FieldEntry(std::move(path), std::move(afterward)), m_kept(std::move(kept))
    {
    }
    std::string text() const override { return "eliminazione del campo «" + m_kept.name + "»"; }
    void undoField() override
    {
        write([this](sqlite3* db) {
            restoreField(db, m_kept);
            // Done again, the removal keeps the values the file then holds.
            m_kept.values.clear();
            m_kept.values.shrink_to_fit();
        });
    }
    void redoField() override
    {
        write([this](sqlite3* db) { m_kept = removeField(db, m_kept.name); });
    }

private:
    KeptColumn m_kept;
};

} // namespace

std::unique_ptr<History::Step> FieldHistory::added(std::string path, std::string name, std::string declared,
                                                   Afterward afterward)
{
    return std::make_unique<Added>(std::move(path), std::move(name), std::move(declared), std::move(afterward));
}

std::unique_ptr<History::Step> FieldHistory::renamed(std::string path, std::string from, std::string to,
                                                     Afterward afterward)
{
    return std::make_unique<Renamed>(std::move(path), std::move(from), std::move(to), std::move(afterward));
}

std::unique_ptr<History::Step> FieldHistory::removed(std::string path, KeptColumn kept, Afterward afterward)
{
    return std::make_unique<Removed>(std::move(path), std::move(kept), std::move(afterward));
}

} // namespace catalogue
