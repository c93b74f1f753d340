#pragma once

#include <QObject>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class ToolHost;

namespace catalogue {
struct BookFill;
class Recordset;
}

namespace lookup {
struct LookupSettings;
}

// "Completa da ISBN…" in the "Strumenti" menu and the grid's context menu: the
// books chosen that have an ISBN are looked up in the bibliographic services in
// the background, a preview lists every empty field each would fill (and a cover
// where it has none), and Scrivi writes the changes ticked as one step of Annulla.
// A value the user wrote is never changed.
class CompletionTool : public QObject {
public:
    using Settings = std::function<lookup::LookupSettings()>;
    // `settings` reads where the services are and whether lookups are on; by
    // default the program's settings ("ricerca_isbn/…") and the environment.
    CompletionTool(ToolHost& host, QObject* parent, Settings settings = {});

    void complete();

    struct Asked;

private:
    std::optional<Asked> booksToAsk(const lookup::LookupSettings& settings,
                                    const std::shared_ptr<catalogue::Recordset>& shown);
    void write(catalogue::Recordset& shown, const std::vector<catalogue::BookFill>& fills);

    ToolHost& m_host;
    Settings m_settings;
};
