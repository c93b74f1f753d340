#pragma once

#include <QObject>

#include <cstdint>
#include <memory>
#include <optional>

class ToolHost;

namespace catalogue {
class NearDuplicateIndex;
}

// "Trova doppioni" lists the groups of duplicate books one after another in the
// grid; after each book written in the grid, the line under it names the book it
// duplicates, if any, and "Vai al doppione" (F8) takes the cursor there. The
// change itself is never held back.
class DuplicateTools : public QObject {
public:
    DuplicateTools(ToolHost& host, QObject* parent);
    ~DuplicateTools() override;

    void listDuplicates();
    // Tells on the line whether the book `id`, just written, duplicates another.
    void checkBook(std::int64_t id);
    void goToDuplicate();

private:
    void checkWrittenBook();
    void forgetIndex();

    ToolHost& m_host;
    // Made at the first book checked, then told of each book written; made again
    // after any other change of the catalogue (see forgetIndex).
    std::unique_ptr<catalogue::NearDuplicateIndex> m_index;
    bool m_listingForF8 = false; ///< the whole catalogue listed again by F8, unchanged
    std::optional<std::int64_t> m_duplicate; ///< the book the notice names
};

