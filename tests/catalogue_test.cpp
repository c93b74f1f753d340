// The catalogue as one object: its fields read once and again after a change is
// told, its listeners told of every change, and the window's tools hearing each
// other's changes through it.
#include "catalogue.h"
#include "connection.h"
#include "fieldsdialog.h"
#include "windowonfakes.h"

#include <QFile>
#include <gtest/gtest.h>

using catalogue::CatalogueChange;
using catalogue::ChangeKind;
using catalogue::FieldKind;

namespace {

std::vector<std::string> names(const std::vector<catalogue::FieldSchema>& fields)
{
    std::vector<std::string> list;
    for (const auto& field : fields)
        list.push_back(field.name);
    return list;
}

} // namespace

// Read once: a column another program adds is not seen until someone says the
// fields changed; then its kind is the catalogue's one decision.
TEST(CatalogueFields, ReadOnceAndAgainWhenTheFieldsAreSaidToHaveChanged)
{
    TestCatalogue file;
    catalogue::Catalogue books(file.path());
    ASSERT_EQ(names(books.fields()), (std::vector<std::string>{"iddorvo", "autore", "titolo", "genere"}));
    file.exec("ALTER TABLE dorvi ADD COLUMN Dedicata_il DATE; ALTER TABLE dorvi ADD COLUMN prestato_il TEXT");
    EXPECT_EQ(books.fields().size(), 4u);
    EXPECT_FALSE(books.field("dedicata_il"));

    books.booksWritten({1}); // no change of the fields
    EXPECT_EQ(books.fields().size(), 4u);
    books.fieldsChanged();
    ASSERT_EQ(books.fields().size(), 6u);
    const auto own = books.field("DEDICATA_IL");
    ASSERT_TRUE(own);
    EXPECT_EQ(own->name, "Dedicata_il");
    EXPECT_EQ(own->kind, FieldKind::Date);
    EXPECT_FALSE(own->standard);
    EXPECT_EQ(books.field("prestato_il")->label, "Prestato il");
    EXPECT_TRUE(books.field("prestato_il")->standard);
}

// A restore puts another file at the same path: its fields, not the old ones.
TEST(CatalogueFields, ReadAgainFromTheFileInPlaceAfterItWasReplaced)
{
    TestCatalogue file;
    TestCatalogue other;
    other.exec("ALTER TABLE dorvi ADD COLUMN isbn TEXT");
    catalogue::Catalogue books(file.path());
    ASSERT_FALSE(books.field("isbn"));
    const QString path = file.folder() + QStringLiteral("/dorvi.mdb");
    ASSERT_TRUE(QFile::remove(path));
    ASSERT_TRUE(QFile::copy(other.folder() + QStringLiteral("/dorvi.mdb"), path));
    books.fileReplaced();
    ASSERT_TRUE(books.field("isbn"));
    EXPECT_EQ(books.field("isbn")->kind, FieldKind::Isbn);
    EXPECT_EQ(books.open()->connectionString(), file.path());
}

TEST(CatalogueFields, AMissingFileIsAnErrorNotAnEmptySchema)
{
    catalogue::Catalogue books("/nonexistent/dorvi.mdb");
    EXPECT_THROW(books.fields(), catalogue::Error);
}

// Every listener hears each change, with its kind and books, in the order they
// subscribed; a handle dropped or cancelled stops its listener.
TEST(CatalogueEvents, EveryListenerHearsEachChangeUntilItsHandleGoes)
{
    catalogue::Catalogue books("/nonexistent/dorvi.mdb");
    std::vector<std::string> heard;
    auto first = books.subscribe([&](const CatalogueChange& change) {
        heard.push_back("1:" + std::to_string(static_cast<int>(change.kind)) + ":" +
                        std::to_string(change.ids.size()));
    });
    std::optional<catalogue::Subscription> second =
        books.subscribe([&](const CatalogueChange&) { heard.push_back("2"); });
    books.booksAdded({7, 8});
    EXPECT_EQ(heard, (std::vector<std::string>{"1:2:2", "2"}));

    heard.clear();
    second.reset();
    books.booksRemoved({7});
    EXPECT_EQ(heard, (std::vector<std::string>{"1:3:1"}));

    heard.clear();
    first.cancel();
    EXPECT_FALSE(first.active());
    books.fieldsChanged();
    EXPECT_TRUE(heard.empty());

    // Moved, it still listens, once.
    auto moved = books.subscribe([&](const CatalogueChange&) { heard.push_back("m"); });
    catalogue::Subscription kept = std::move(moved);
    books.fileReplaced();
    EXPECT_EQ(heard, (std::vector<std::string>{"m"}));
}

// Listeners that leave, or make others leave, while a change is being told: the
// one removed is not called afterwards; one added meanwhile hears the next change.
TEST(CatalogueEvents, ListenersLeavingOrJoiningDuringANotification)
{
    catalogue::Catalogue books("/nonexistent/dorvi.mdb");
    std::vector<std::string> heard;
    catalogue::Subscription self, victim, latecomer;
    self = books.subscribe([&](const CatalogueChange&) {
        heard.push_back("self");
        self.cancel();
        victim.cancel();
        latecomer = books.subscribe([&](const CatalogueChange&) { heard.push_back("late"); });
    });
    victim = books.subscribe([&](const CatalogueChange&) { heard.push_back("victim"); });
    books.bookWritten(1);
    EXPECT_EQ(heard, (std::vector<std::string>{"self"}));
    heard.clear();
    books.bookWritten(1);
    EXPECT_EQ(heard, (std::vector<std::string>{"late"}));
}

// A handle that outlives its catalogue, and a catalogue dropped by its own listener.
TEST(CatalogueEvents, HandlesAndCataloguesGoneInEitherOrder)
{
    catalogue::Subscription outliving;
    {
        catalogue::Catalogue books("/nonexistent/dorvi.mdb");
        outliving = books.subscribe([](const CatalogueChange&) {});
        EXPECT_TRUE(outliving.active());
    }
    EXPECT_FALSE(outliving.active());
    outliving.cancel();

    auto owned = std::make_unique<catalogue::Catalogue>("/nonexistent/dorvi.mdb");
    int after = 0;
    auto dropper = owned->subscribe([&](const CatalogueChange&) { owned.reset(); });
    auto next = owned->subscribe([&](const CatalogueChange&) { ++after; });
    owned->fileReplaced();
    EXPECT_FALSE(owned);
    EXPECT_EQ(after, 1);
}

// Campi… adds a field and Annulla takes it away: the window's catalogue knows its
// fields at once each time, and its listeners hear of each once.
TEST(CatalogueInTheWindow, AFieldAddedInCampiAndItsUndoReachTheCataloguesFields)
{
    WindowOnFakes fixture;
    const std::shared_ptr<catalogue::Catalogue> books = fixture.window.catalogue();
    ASSERT_TRUE(books);
    EXPECT_EQ(books->path(), fixture.catalogue.path());
    ASSERT_FALSE(books->field("dedicata_il"));
    int fieldChanges = 0;
    auto listening = books->subscribe([&](const CatalogueChange& change) {
        fieldChanges += change.kind == ChangeKind::FieldsChanged ? 1 : 0;
    });
    fixture.trigger("mnuop");
    fixture.services.dialogScript = [&](QDialog& dialog) {
        EXPECT_TRUE(static_cast<FieldsDialog&>(dialog).addOwnField("dedicata_il", catalogue::OwnKind::Date));
        EXPECT_TRUE(books->field("dedicata_il")) << "heard as soon as it is written, not when the dialog closes";
        EXPECT_FALSE(static_cast<FieldsDialog&>(dialog).addOwnField("Dedicata_il", catalogue::OwnKind::Text));
        EXPECT_EQ(fieldChanges, 1) << "a refused change is not told";
    };
    fixture.trigger("mnucampi");
    const auto added = books->field("dedicata_il");
    ASSERT_TRUE(added);
    EXPECT_EQ(added->kind, FieldKind::Date);
    EXPECT_EQ(fieldChanges, 1);
    EXPECT_EQ(fixture.window.openCatalogue()->connectionString(), fixture.catalogue.path());

    ASSERT_EQ(fixture.services.errors.size(), 1u); // the name taken, shown by the dialog
    fixture.trigger("mnuannulla");
    ASSERT_EQ(fixture.services.errors.size(), 1u);
    EXPECT_FALSE(books->field("dedicata_il"));
    EXPECT_EQ(fieldChanges, 2);
}

// A restore says the file was replaced once, and older tools listening for "the
// catalogue changed" hear it; a book written in the grid is told as one book.
TEST(CatalogueInTheWindow, ToolsListeningThroughTheHostHearTheCatalogue)
{
    WindowOnFakes fixture;
    int written = 0;
    int changed = 0;
    fixture.window.whenBookWritten([&] { ++written; });
    fixture.window.whenCatalogueChanged([&] { ++changed; });
    fixture.window.catalogue()->booksAdded({9});
    EXPECT_EQ(changed, 1);
    fixture.window.relist(); // a tool that only asks for the listing
    EXPECT_EQ(changed, 2);
    fixture.window.catalogueWritten();
    EXPECT_EQ(changed, 3);
    EXPECT_EQ(written, 0);
    fixture.window.DataGrid1_AfterUpdate();
    EXPECT_EQ(written, 1);
    EXPECT_EQ(changed, 3);
}
