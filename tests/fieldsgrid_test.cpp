// The fields as the grid in the window meets them: the ISBN typed in any form,
// a wrong check digit and its question, the columns hidden and moved (exports,
// Ctrl+C), and the quick filter over every text field and every form of an ISBN.
#include "celleditor.h"
#include "gridinput.h"
#include "dialogscript.h"
#include "filterbar.h"
#include "isbn.h"
#include "listexport.h"
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
