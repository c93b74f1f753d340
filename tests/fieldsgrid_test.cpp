// The fields as the grid in the window meets them: the ISBN typed in any form,
// a wrong check digit and its question, the columns hidden and moved (exports,
// Ctrl+C), and the quick filter over every text field and every form of an ISBN.
#include "cataloguepages.h"
#include "celleditor.h"
#include "gridinput.h"
#include "dialogscript.h"
#include "filterbar.h"
#include "isbn.h"
#include "listexport.h"
#include "pagecolumns.h"
#include "rowfilter.h"
#include "shownwindow.h"

#include <QFile>
#include <QHeaderView>
#include <QLineEdit>
#include <QSettings>
#include <QTest>

#include "columnview.h"

namespace {

class FieldsGridTest : public ShownWindowTest {
protected:
    void SetUp() override
    {
        catalogue.exec("ALTER TABLE dorvi ADD COLUMN isbn TEXT; ALTER TABLE dorvi ADD COLUMN collocazione TEXT;"
                       "UPDATE dorvi SET collocazione = 'studio, scaffale 3' WHERE iddorvo = 4;"
                       "UPDATE dorvi SET isbn = '9788807900075' WHERE iddorvo = 5;");
        ShownWindowTest::SetUp();
        trigger("mnuop");
    }
    int column(const char* name) const
    {
        for (int c = 0; c < grid->model()->columnCount(); ++c) {
            if (grid->model()->headerData(c, Qt::Horizontal).toString() == QLatin1String(name))
                return c;
        }
        return -1;
    }
    // Types into a cell as a user does: the first key opens the editor.
    void type(int row, const char* columnName, const QString& text)
    {
        grid->setCurrentIndex(grid->model()->index(row, column(columnName)));
        QTest::keyClicks(grid, text.left(1));
        QLineEdit* editor = nullptr;
        for (auto* open : grid->findChildren<QLineEdit*>())
            editor = open->isVisible() ? open : editor;
        ASSERT_NE(editor, nullptr);
        QTest::keyClicks(editor, text.mid(1));
        QTest::keyClick(editor, Qt::Key_Return);
        settle();
    }
    static void settle() { ::settle(4); }
    std::string isbnOf(int book) const
    {
        return catalogue.scalar("select quote(isbn) from dorvi where iddorvo = " + std::to_string(book));
    }
};

} // namespace

TEST(IsbnEntry, IsbnsBecomeThirteenDigitsAWrongCheckDigitAsksAndOtherTextStays)
{
    EXPECT_EQ(catalogue::isbnEntry("88-04-12345-1").stored, "9788804123453");
    EXPECT_EQ(catalogue::isbnEntry("88-06-00123-x").stored, "9788806001230");
    EXPECT_EQ(catalogue::isbnEntry("978 88 07 90007 5").stored, "9788807900075");
    EXPECT_TRUE(catalogue::isbnEntry("978 88 07 90007 5").question.empty());
    const catalogue::IsbnEntry wrong = catalogue::isbnEntry("88-04-12345-0");
    EXPECT_EQ(wrong.stored, "88-04-12345-0");
    EXPECT_NE(wrong.question.find("dovrebbe essere 1"), std::string::npos);
    EXPECT_EQ(catalogue::isbnEntry("in arrivo").stored, "in arrivo");
    EXPECT_TRUE(catalogue::isbnEntry("in arrivo").question.empty());
    EXPECT_TRUE(catalogue::isIsbnColumn("ISBN"));
    EXPECT_FALSE(catalogue::isIsbnColumn("isbn13"));
}

TEST_F(FieldsGridTest, AnIsbn10TypedWithHyphensIsWrittenAndShownAsItsIsbn13)
{
    type(0, "isbn", "88-04-12345-1");
    EXPECT_EQ(isbnOf(1), "'9788804123453'");
    EXPECT_EQ(grid->model()->index(0, column("isbn")).data().toString(), "9788804123453");
    EXPECT_TRUE(services.confirmations.empty());
    // Other columns take hyphens as typed.
    type(0, "collocazione", "88-04-12345-1");
    EXPECT_EQ(catalogue.scalar("select collocazione from dorvi where iddorvo = 1"), "88-04-12345-1");
}

TEST_F(FieldsGridTest, AWrongCheckDigitIsRefusedNamingTheRightOneAndKeptAsTypedOnYes)
{
    services.confirmAnswers = {true};
    type(1, "isbn", "88-04-12345-0");
    ASSERT_EQ(services.confirmations.size(), 1u);
    EXPECT_TRUE(services.confirmations[0].text.contains("dovrebbe essere 1"));
    EXPECT_EQ(isbnOf(2), "'88-04-12345-0'");
}

TEST_F(FieldsGridTest, NoToTheQuestionWritesNothingAndTheEditorHoldsTheText)
{
    services.confirmAnswers = {false};
    type(1, "isbn", "88-04-12345-0");
    ASSERT_EQ(services.confirmations.size(), 1u);
    EXPECT_EQ(isbnOf(2), "NULL");
    QLineEdit* editor = nullptr;
    for (auto* open : grid->findChildren<QLineEdit*>())
        editor = open->isVisible() ? open : editor;
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->text(), "88-04-12345-0");
}

TEST_F(FieldsGridTest, ExportAndCopyTakeTheColumnsShownInTheGridsOrder)
{
    auto* view = ColumnView::of(*grid);
    ASSERT_NE(view, nullptr);
    view->setLayout({{"collocazione", "titolo"}, {"iddorvo", "genere", "isbn"}});
    EXPECT_EQ(grid->rowsOnShow().columns, std::vector<int>({column("collocazione"), column("titolo"), column("autore")}));
    // The setting outlives a new listing.
    trigger("mnuall");
    EXPECT_TRUE(grid->horizontalHeader()->isSectionHidden(column("iddorvo")));
    const QString path = catalogue.folder() + "/uscita.csv";
    services.fileAnswers = {path};
    ASSERT_EQ(exportSpreadsheet(services, grid->rowsOnShow()), path);
    QFile csv(path);
    ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(csv.readAll()).split("\r\n");
    EXPECT_EQ(lines[0], QString::fromUtf8("\xEF\xBB\xBF") + "collocazione;titolo;autore");
    EXPECT_TRUE(lines[4].startsWith("studio, scaffale 3;")) << lines[4].toStdString();
    grid->selectRow(3);
    const QString copied = grid->selectedText();
    EXPECT_TRUE(copied.startsWith("collocazione\ttitolo\tautore\nstudio, scaffale 3\tLa Divina Commedia\tDante Alighieri\n")) << copied.toStdString();
}

TEST_F(FieldsGridTest, QuickFilterFindsAnyTextFieldAndAnIsbnInEveryForm)
{
    auto* bar = window.findChild<FilterBar*>();
    trigger("mnutrova");
    for (const char* typed : {"88-07-90007-6", "978 88 07 90007 5", "978-8807900075", "8807900076"}) {
        bar->field()->clear();
        QTest::keyClicks(bar->field(), typed);
        EXPECT_EQ(bar->countText(), "1 di 5 libri") << typed;
    }
    bar->field()->clear();
    QTest::keyClicks(bar->field(), "scaffale 3");
    EXPECT_EQ(bar->countText(), "1 di 5 libri");
    EXPECT_EQ(RowFilter::words("88-06-00123-X"), std::vector<std::string>({"9788806001230"}));
}

namespace {

// The program started anew on a catalogue whose column setting was kept by an
// earlier run: a window of its own, the settings as that run left them.
struct StartedWindow {
    explicit StartedWindow(const TestCatalogue& catalogue) : services(catalogue.folder())
    {
        window.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
    }
    void trigger(const char* item) { window.findChild<QAction*>(QString::fromLatin1(item))->trigger(); }
    int column(const char* name) const
    {
        for (int c = 0; c < grid->model()->columnCount(); ++c) {
            if (grid->model()->headerData(c, Qt::Horizontal).toString() == QLatin1String(name))
                return c;
        }
        return -1;
    }

    FakeWindowServices services;
    Frmdorvi window{services};
    DataGrid* grid = window.findChild<DataGrid*>(QStringLiteral("DataGrid1"));
};

QString cataloguePath(const TestCatalogue& catalogue)
{
    return catalogue.folder() + "/dorvi.mdb";
}

} // namespace

// The setting used to wait for a change of the columns (a restore, a new field)
// before it applied: the first listings of a run showed the table's own order.
TEST(ColumnLayoutAtStart, TheKeptLayoutShapesTheFirstListingItsExportAndItsCopy)
{
    TestCatalogue catalogue;
    catalogue.exec("ALTER TABLE dorvi ADD COLUMN dedica TEXT; UPDATE dorvi SET dedica = 'per Anna' WHERE iddorvo = 2;");
    ColumnLayout{{"iddorvo", "AUTORE", "dedica", "titolo"}, {"IDDORVO"}}.save(cataloguePath(catalogue));
    StartedWindow started(catalogue);
    started.trigger("mnuop");
    const QHeaderView& header = *started.grid->horizontalHeader();
    EXPECT_TRUE(header.isSectionHidden(started.column("iddorvo")));
    const std::vector<int> shown{started.column("autore"), started.column("dedica"), started.column("titolo"),
                                 started.column("genere")};
    EXPECT_EQ(shownColumns(header), shown);
    EXPECT_EQ(started.grid->rowsOnShow().columns, shown);

    const QString path = catalogue.folder() + "/avvio.csv";
    started.services.fileAnswers = {path};
    ASSERT_EQ(exportSpreadsheet(started.services, started.grid->rowsOnShow()), path);
    QFile csv(path);
    ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(csv.readAll()).split("\r\n");
    EXPECT_EQ(lines[0], QString::fromUtf8("\xEF\xBB\xBF") + "autore;dedica;titolo;genere");
    EXPECT_TRUE(lines[2].contains(";per Anna;")) << lines[2].toStdString();

    // The printed list takes the same columns (one book has a dedica, so it takes room).
    const PageColumns printed(started.grid->rowsOnShow(), cataloguePageFont(90, false), cataloguePageFont(90, true), 30);
    QStringList headings;
    for (std::size_t column = 0; column < printed.count(); ++column)
        headings << printed.heading(column);
    EXPECT_EQ(headings, QStringList({"autore", "dedica", "titolo", "genere"}));

    started.grid->selectRow(1);
    EXPECT_TRUE(started.grid->selectedText().startsWith("autore\tdedica\ttitolo\tgenere\n")) << started.grid->selectedText().toStdString();
    // A read-only listing of the same run keeps it too.
    started.trigger("mnuall");
    EXPECT_EQ(started.grid->rowsOnShow().columns, shown);
}

TEST(ColumnWidthsKept, AWidthTheUserSetsComesBackInTheNextRunUntilADoubleClickOnItsEdge)
{
    TestCatalogue catalogue;
    int titolo = -1;
    {
        StartedWindow first(catalogue);
        first.trigger("mnuall");
        titolo = first.column("titolo");
        first.grid->horizontalHeader()->resizeSection(titolo, 333);
        // Hiding and showing a column resizes it to nothing and back: not the user's width.
        first.grid->horizontalHeader()->setSectionHidden(first.column("genere"), true);
        first.grid->horizontalHeader()->setSectionHidden(first.column("genere"), false);
    }
    QSettings settings(QStringLiteral("Dorvi"), QStringLiteral("Gestione Dorvi"));
    settings.beginGroup(columnSettingsGroup(cataloguePath(catalogue)));
    const QVariantMap kept = settings.value("larghezze").toMap();
    EXPECT_EQ(kept.value("titolo").toInt(), 333);
    EXPECT_FALSE(kept.contains("genere"));
    EXPECT_FALSE(kept.contains("autore")) << "the program's own widths are not kept";

    {
        StartedWindow second(catalogue);
        second.trigger("mnuop");
        EXPECT_EQ(second.grid->columnWidth(titolo), 333);
        // The count shows another column; the next listing has the width again.
        second.trigger("mnutot");
        second.trigger("mnuall");
        EXPECT_EQ(second.grid->columnWidth(titolo), 333);
        // A double click on its edge gives it back to the program, for good.
        emit second.grid->horizontalHeader()->sectionHandleDoubleClicked(titolo);
        EXPECT_NE(second.grid->columnWidth(titolo), 333);
    }
    StartedWindow third(catalogue);
    third.trigger("mnuall");
    EXPECT_NE(third.grid->columnWidth(titolo), 333);
}

// "CITTÀ" and "città" are two columns to the engine, which folds ASCII letters
// only: each keeps its own place, its own hiding and its own width.
TEST(ColumnsTheEngineTellsApart, EachKeepsItsOwnPlaceAndHiding)
{
    const ColumnLayout layout{{"città", "autore", "CITTÀ"}, {"città", "IDDORVO"}};
    const auto placed = layout.arrange({"iddorvo", "autore", "CITTÀ", "città"});
    ASSERT_EQ(placed.size(), 4u);
    EXPECT_EQ(placed[0].name, "città");
    EXPECT_FALSE(placed[0].shown);
    EXPECT_EQ(placed[1].name, "autore");
    EXPECT_EQ(placed[2].name, "CITTÀ");
    EXPECT_TRUE(placed[2].shown) << "hiding «città» leaves «CITTÀ» on show";
    EXPECT_EQ(placed[3].name, "iddorvo");
    EXPECT_FALSE(placed[3].shown) << "ASCII letters still match in any case";
}

// The column headed `name`, a name beyond Latin-1 as the tests write it (UTF-8).
static int columnHeaded(const StartedWindow& started, const char* name)
{
    for (int c = 0; c < started.grid->model()->columnCount(); ++c) {
        if (started.grid->model()->headerData(c, Qt::Horizontal).toString() == QString::fromUtf8(name))
            return c;
    }
    return -1;
}

TEST(ColumnsTheEngineTellsApart, EachKeepsItsOwnWidth)
{
    TestCatalogue catalogue;
    catalogue.exec("ALTER TABLE dorvi ADD COLUMN \"CITTÀ\" TEXT; ALTER TABLE dorvi ADD COLUMN \"città\" TEXT;");
    {
        StartedWindow first(catalogue);
        first.trigger("mnuall");
        first.grid->horizontalHeader()->resizeSection(columnHeaded(first, "CITTÀ"), 333);
    }
    StartedWindow second(catalogue);
    second.trigger("mnuall");
    ASSERT_GE(columnHeaded(second, "città"), 0);
    ASSERT_GE(columnHeaded(second, "CITTÀ"), 0);
    EXPECT_EQ(second.grid->columnWidth(columnHeaded(second, "CITTÀ")), 333);
    EXPECT_NE(second.grid->columnWidth(columnHeaded(second, "città")), 333);
}
