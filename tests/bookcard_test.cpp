// The book card over the real grid: its fields, its writes through the grid's
// path (undo, conflicts, refusals, the read-only mode) and its moving.
#include "bookcard.h"
#include "cardtool.h"
#include "celleditor.h"
#include "datefield.h"
#include "fieldsgrid.h"
#include "history.h"
#include "starsfield.h"
#include "frmdorvi.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QGuiApplication>
#include <QHeaderView>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>
#include <gtest/gtest.h>

namespace {

class BookCardTest : public ::testing::Test, public FieldsGrid {
protected:
    std::unique_ptr<BookCard> card;

    void open(int row = 0)
    {
        grid.setCurrentIndex(grid.model()->index(row, 1));
        card = std::make_unique<BookCard>(grid, services);
        card->show();
    }
    QLineEdit* line(const char* name) const
    {
        QWidget* editor = card->editor(name);
        if (auto* date = qobject_cast<DateField*>(editor))
            return date->line();
        return qobject_cast<QLineEdit*>(editor);
    }
    void retype(const char* name, const QString& text)
    {
        QLineEdit* editor = line(name);
        editor->setFocus();
        editor->selectAll();
        QTest::keyClicks(editor, text);
        QTest::keyClick(editor, Qt::Key_Return);
    }
};

} // namespace

TEST_F(BookCardTest, EveryFieldInTheGridsOrderWithItsLabelAndAnEditorForItsKind)
{
    bind();
    grid.horizontalHeader()->moveSection(column("voto"), 1);
    open(1);
    auto* form = card->findChild<QFormLayout*>();
    ASSERT_TRUE(form);
    QStringList labels;
    for (int row = 0; row < form->rowCount(); ++row)
        labels << qobject_cast<QLabel*>(form->itemAt(row, QFormLayout::LabelRole)->widget())->text();
    EXPECT_EQ(labels, (QStringList{"N.:", "Voto:", "Autore:", "Titolo:", "Genere:", "Letto:", "Note:", "Prestato il:",
                                   "Aggiunto il:", "finito:", "regalo:"}));
    EXPECT_TRUE(qobject_cast<QCheckBox*>(card->editor("letto")));
    EXPECT_TRUE(qobject_cast<QCheckBox*>(card->editor("regalo")));
    EXPECT_TRUE(qobject_cast<StarsField*>(card->editor("voto")));
    EXPECT_TRUE(qobject_cast<QPlainTextEdit*>(card->editor("note")));
    EXPECT_TRUE(qobject_cast<DateField*>(card->editor("prestato_il")));
    EXPECT_TRUE(qobject_cast<DateField*>(card->editor("finito")));
    EXPECT_EQ(line("titolo")->text(), "Il piacere");
    EXPECT_TRUE(line("iddorvo")->isReadOnly()) << "the key the catalogue assigns";
}

// Another program's column named with a thousand characters (and an ampersand):
// its label is cut, the whole name in its tooltip and the editor's accessible
// name, and every editor keeps its room on a card no wider than the screen.
TEST_F(BookCardTest, AVeryLongFieldNameIsCutAndEveryEditorStaysInView)
{
    const std::string name = "Note & " + std::string(993, 'x');
    catalogue.exec("ALTER TABLE dorvi ADD COLUMN \"" + name + "\" TEXT");
    bind();
    open(1);
    auto* form = card->findChild<QFormLayout*>();
    ASSERT_TRUE(form);
    QLabel* longLabel = nullptr;
    for (int row = 0; row < form->rowCount(); ++row) {
        auto* label = qobject_cast<QLabel*>(form->itemAt(row, QFormLayout::LabelRole)->widget());
        if (label->text().startsWith(QStringLiteral("Note && ")) && label->buddy() != card->editor("note"))
            longLabel = label;
    }
    ASSERT_TRUE(longLabel);
    EXPECT_EQ(longLabel->toolTip(), QString::fromStdString(name));
    EXPECT_TRUE(longLabel->text().endsWith(QStringLiteral("…:"))) << longLabel->text().toStdString();
    EXPECT_EQ(longLabel->buddy()->accessibleName(), QString::fromStdString(name));
    EXPECT_LT(card->sizeHint().width(), 900);
    for (const char* field : {"titolo", "note"}) {
        QWidget* editor = card->editor(field);
        EXPECT_GE(editor->width(), 100) << field;
        EXPECT_LE(editor->mapTo(card.get(), QPoint(editor->width(), 0)).x(), card->width()) << field;
    }
    const auto* shortLabel = qobject_cast<QLabel*>(form->labelForField(card->editor("titolo")));
    ASSERT_TRUE(shortLabel);
    EXPECT_TRUE(shortLabel->toolTip().isEmpty()) << "a name that fits is shown whole";
}

TEST_F(BookCardTest, WritesAtOnceThroughTheGridsPathAndItsUndo)
{
    bind();
    open(0);
    retype("titolo", "I promessi sposi (1840)");
    EXPECT_EQ(stored(1, "titolo"), "I promessi sposi (1840)");
    EXPECT_EQ(grid.model()->index(0, 2).data().toString(), "I promessi sposi (1840)") << "the grid shows it";
    qobject_cast<StarsField*>(card->editor("voto"))->setFocus();
    QTest::keyClick(card->editor("voto"), Qt::Key_4);
    EXPECT_EQ(stored(1, "voto"), "4");
    EXPECT_EQ(grid.model()->index(0, column("voto")).data().toString(), "★★★★☆");
    qobject_cast<DateField*>(card->editor("prestato_il"))->pick(QDate(2026, 12, 8));
    EXPECT_EQ(stored(1, "prestato_il"), "2026-12-08");
    EXPECT_EQ(line("prestato_il")->text(), "8/12/2026");
    qobject_cast<QCheckBox*>(card->editor("letto"))->click();
    EXPECT_EQ(stored(1, "letto"), "1");

    // Three changes, three steps of Annulla, and the card shows each undone.
    ASSERT_TRUE(history->undo(*grid.boundResult()));
    EXPECT_EQ(stored(1, "letto"), "NULL");
    EXPECT_EQ(qobject_cast<QCheckBox*>(card->editor("letto"))->checkState(), Qt::PartiallyChecked);
    ASSERT_TRUE(history->undo(*grid.boundResult()));
    ASSERT_TRUE(history->undo(*grid.boundResult()));
    EXPECT_EQ(qobject_cast<StarsField*>(card->editor("voto"))->stars(), 0);
    ASSERT_TRUE(history->undo(*grid.boundResult()));
    EXPECT_EQ(line("titolo")->text(), "I promessi sposi");
}

TEST_F(BookCardTest, ABookChangedByAnotherProgramIsRefusedAndTheTypingKept)
{
    bind();
    open(2);
    catalogue.exec("UPDATE dorvi SET titolo = 'Il fu Mattia Pascal.', genere = 'Romanzo filosofico' WHERE iddorvo = 3");
    retype("titolo", "Il fu Mattia Pascal (1904)");
    settle();
    EXPECT_EQ(card->row(), 2) << "Enter writes the field; it presses no button";
    EXPECT_EQ(stored(3, "titolo"), "Il fu Mattia Pascal.");
    ASSERT_EQ(services.errors.size(), 1u);
    EXPECT_EQ(services.errors[0].number(), catalogue::ErrorNumber::RowChanged);
    EXPECT_EQ(line("genere")->text(), "Romanzo filosofico") << "the card shows what the file now holds";
    EXPECT_EQ(grid.model()->index(2, 2).data().toString(), "Il fu Mattia Pascal.") << "and so does the grid";
    EXPECT_EQ(line("titolo")->text(), "Il fu Mattia Pascal (1904)");
    EXPECT_TRUE(CellEditor::holdsRefused(line("titolo")));
    line("genere")->setFocus();
    EXPECT_EQ(stored(3, "titolo"), "Il fu Mattia Pascal.") << "leaving the field does not force it over";

    // Typed again, now that the row is as the file holds it, it is written.
    retype("titolo", "Il fu Mattia Pascal (1904)!");
    EXPECT_EQ(stored(3, "titolo"), "Il fu Mattia Pascal (1904)!");
    EXPECT_FALSE(CellEditor::holdsRefused(line("titolo")));
}

TEST_F(BookCardTest, ADateThatIsNoneIsRefusedAndRescuedWhenTheCardMovesOn)
{
    bind();
    open(0);
    retype("prestato_il", "32/1/2026");
    settle();
    EXPECT_EQ(stored(1, "prestato_il"), "NULL");
    ASSERT_EQ(services.errors.size(), 1u);
    EXPECT_TRUE(CellEditor::holdsRefused(line("prestato_il")));
    EXPECT_EQ(line("prestato_il")->text(), "32/1/2026");
    card->showNext();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "32/1/2026");
    ASSERT_EQ(services.informations.size(), 1u);
    EXPECT_TRUE(services.informations[0].text.contains("appunti"));
}

// Esc puts back what the file holds in a field holding a refused text, and the
// card stays open; a second Esc closes it as in any dialog.
TEST_F(BookCardTest, EscInARefusedFieldPutsItBackAndKeepsTheCardOpen)
{
    bind();
    open(0);
    retype("prestato_il", "31/2/2026");
    settle();
    ASSERT_TRUE(CellEditor::holdsRefused(line("prestato_il")));
    line("prestato_il")->setFocus();
    QTest::keyClick(line("prestato_il"), Qt::Key_Escape);
    EXPECT_TRUE(card->isVisible());
    EXPECT_EQ(line("prestato_il")->text(), "");
    EXPECT_FALSE(CellEditor::holdsRefused(line("prestato_il")));
    EXPECT_EQ(stored(1, "prestato_il"), "NULL");
    EXPECT_TRUE(services.informations.empty()) << "nothing to rescue: the user put it back";
    QTest::keyClick(line("prestato_il"), Qt::Key_Escape);
    EXPECT_FALSE(card->isVisible());
}

// "circa 1840" in the card's Anno is refused as in the grid, and stays in the field,
// with the keyboard, even when another field is written meanwhile.
TEST_F(BookCardTest, TextThatIsNoNumberIsRefusedAndKeptWhileOtherFieldsAreWritten)
{
    catalogue.exec("ALTER TABLE dorvi ADD COLUMN anno INTEGER");
    bind();
    open(0);
    card->activateWindow();
    ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == card.get(); }));
    line("anno")->setFocus();
    QTest::keyClicks(line("anno"), "circa 1840");
    QTest::keyClick(line("anno"), Qt::Key_Tab);
    settle();
    EXPECT_EQ(stored(1, "anno"), "NULL");
    ASSERT_EQ(services.errors.size(), 1u);
    EXPECT_EQ(services.errors[0].number(), catalogue::ErrorNumber::ValueRefused);
    EXPECT_TRUE(line("anno")->hasFocus()) << "the keyboard back in the field refused";
    EXPECT_TRUE(CellEditor::holdsRefused(line("anno")));

    retype("titolo", "I promessi sposi (1840)");
    EXPECT_EQ(stored(1, "titolo"), "I promessi sposi (1840)");
    EXPECT_EQ(line("anno")->text(), "circa 1840") << "not replaced when the book is read again";
    EXPECT_TRUE(CellEditor::holdsRefused(line("anno")));
    retype("anno", "1840");
    EXPECT_EQ(stored(1, "anno"), "1840");
    EXPECT_FALSE(CellEditor::holdsRefused(line("anno")));
}

TEST_F(BookCardTest, ReadOnlyModeWritesNothing)
{
    bind(false);
    open(0);
    EXPECT_TRUE(line("titolo")->isReadOnly());
    EXPECT_FALSE(card->editor("letto")->isEnabled());
    QTest::keyClick(card->editor("voto"), Qt::Key_3);
    EXPECT_EQ(stored(1, "voto"), "NULL");
    EXPECT_EQ(qobject_cast<StarsField*>(card->editor("voto"))->stars(), 0);
}

TEST_F(BookCardTest, MovesTheGridsCurrentRowAndFollowsIt)
{
    bind();
    open(0);
    EXPECT_FALSE(card->previousButton()->isEnabled());
    card->nextButton()->click();
    EXPECT_EQ(grid.currentIndex().row(), 1);
    EXPECT_EQ(line("titolo")->text(), "Il piacere");
    grid.setCurrentIndex(grid.model()->index(4, 0));
    EXPECT_EQ(line("titolo")->text(), "Alcyone");
    EXPECT_FALSE(card->nextButton()->isEnabled()) << "the new-row line is no book to move to";
    // Typing not yet written goes to the file before the card moves on.
    line("titolo")->setText("Alcyone (1903)");
    card->showPrevious();
    EXPECT_EQ(stored(5, "titolo"), "Alcyone (1903)");
    EXPECT_EQ(grid.currentIndex().row(), 3);
}

TEST_F(BookCardTest, AFieldsTypingRuleDecidesWhatIsWritten)
{
    bind();
    open(0);
    QStringList asked;
    card->setTypingRule([&](const QString& column, const QString& typed) -> std::optional<QString> {
        asked << column;
        if (typed == "no")
            return std::nullopt;
        return typed.toUpper();
    });
    retype("genere", "romanzo");
    EXPECT_EQ(stored(1, "genere"), "ROMANZO");
    retype("genere", "no");
    EXPECT_EQ(stored(1, "genere"), "ROMANZO");
    EXPECT_TRUE(CellEditor::holdsRefused(line("genere"))) << "kept, to be put right";
    line("titolo")->setFocus();
    EXPECT_EQ(asked, (QStringList{"genere", "genere"})) << "asked once for each text typed";
}

TEST(BookCardTool, OpensFromStrumentiAndFromARowsSelectorOnTheCurrentBook)
{
    TestCatalogue catalogue;
    FakeWindowServices services{catalogue.folder()};
    Frmdorvi window{services};
    window.findChild<QAction*>("mnuop")->trigger();
    QString shownTitle;
    services.dialogScript = [&](QDialog& dialog) {
        auto* card = qobject_cast<BookCard*>(&dialog);
        ASSERT_TRUE(card);
        shownTitle = qobject_cast<QLineEdit*>(card->editor("titolo"))->text();
    };
    QAction* item = window.findChild<QAction*>("mnuscheda");
    ASSERT_TRUE(item);
    EXPECT_EQ(item->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_I));
    item->trigger();
    EXPECT_EQ(shownTitle, "I promessi sposi");
    auto* grid = window.findChild<DataGrid*>();
    emit grid->verticalHeader()->sectionDoubleClicked(2);
    EXPECT_EQ(shownTitle, "Il fu Mattia Pascal");
    EXPECT_EQ(grid->currentIndex().row(), 2);
    EXPECT_EQ(services.dialogsRun, 2);
}

// The card the window opens: the shown book's loans below its fields, following the
// book as the card moves, and an ISBN typed in it under the grid's rule.
TEST(BookCardTool, ShowsTheBooksLoansAndTypesAnIsbnAsTheGridDoes)
{
    TestCatalogue catalogue;
    catalogue.exec("ALTER TABLE dorvi ADD COLUMN isbn TEXT");
    catalogue.exec("CREATE TABLE prestiti(id INTEGER PRIMARY KEY, iddorvo INTEGER, a TEXT, dal TEXT, al TEXT)");
    catalogue.exec("INSERT INTO prestiti(iddorvo, a, dal, al) VALUES (1, 'Marta', '2026-11-02', '2026-11-20'),"
                   " (1, 'Luca', '2026-12-01', NULL)");
    FakeWindowServices services{catalogue.folder()};
    Frmdorvi window{services};
    window.findChild<QAction*>("mnuop")->trigger();
    QStringList loans;
    services.confirmAnswers = {false, true};
    services.dialogScript = [&](QDialog& dialog) {
        auto* card = qobject_cast<BookCard*>(&dialog);
        ASSERT_TRUE(card);
        auto* list = card->findChild<QTreeWidget*>("storiaprestiti");
        ASSERT_TRUE(list);
        const auto read = [&] {
            QStringList rows;
            for (int i = 0; i < list->topLevelItemCount(); ++i)
                rows << list->topLevelItem(i)->text(0) + " " + list->topLevelItem(i)->text(2);
            return rows.join(", ");
        };
        loans << read();
        card->showNext();
        loans << read();
        card->showPrevious();

        auto* isbn = qobject_cast<QLineEdit*>(card->editor("isbn"));
        ASSERT_TRUE(isbn);
        for (const char* typed : {"88-04-12345-1", "88-04-12345-2", "88-04-12345-2"}) {
            isbn->setFocus();
            isbn->selectAll();
            QTest::keyClicks(isbn, typed);
            QTest::keyClick(isbn, Qt::Key_Return);
            loans << QString::fromStdString(catalogue.scalar("select isbn from dorvi where iddorvo=1"));
        }
    };
    window.findChild<QAction*>("mnuscheda")->trigger();
    EXPECT_EQ(loans, (QStringList{"Marta 20/11/2026, Luca in prestito", "Mai prestato ", "9788804123453",
                                  "9788804123453", "88-04-12345-2"}))
        << "a wrong check digit is written as typed only when the user agrees, asked again on Enter";
    EXPECT_EQ(services.confirmations.size(), 2u);
}

// No to a wrong ISBN keeps the text in the ISBN field with the keyboard in it; what
// is typed next in another field writes that field alone; Esc puts the ISBN back.
// Once the card is closed the window has the keyboard, so Ctrl+I opens it again.
TEST(BookCardTool, NoToAWrongIsbnKeepsItsTextAndTheKeyboardInTheField)
{
    TestCatalogue catalogue;
    catalogue.exec("ALTER TABLE dorvi ADD COLUMN isbn TEXT; ALTER TABLE dorvi ADD COLUMN numero NUMERIC");
    FakeWindowServices services{catalogue.folder()};
    Frmdorvi window{services};
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    window.findChild<QAction*>("mnuop")->trigger();
    services.confirmAnswers = {false};
    QStringList seen;
    services.dialogScript = [&](QDialog& dialog) {
        if (!seen.isEmpty())
            return;
        dialog.show();
        dialog.activateWindow();
        ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == &dialog; }));
        auto* card = qobject_cast<BookCard*>(&dialog);
        auto* isbn = qobject_cast<QLineEdit*>(card->editor("isbn"));
        auto* numero = qobject_cast<QLineEdit*>(card->editor("numero"));
        isbn->setFocus();
        QTest::keyClicks(isbn, "88-04-12345-2");
        QTest::keyClick(isbn, Qt::Key_Tab);
        settle();
        seen << (isbn->hasFocus() ? "ISBN" : "altro") << isbn->text();
        numero->setFocus();
        QTest::keyClicks(numero, "1");
        QTest::keyClick(numero, Qt::Key_Tab);
        settle();
        seen << isbn->text() << QString::fromStdString(catalogue.scalar("select numero from dorvi where iddorvo=1"));
        isbn->setFocus();
        QTest::keyClick(isbn, Qt::Key_Escape);
        seen << (card->isVisible() ? "aperta" : "chiusa") << isbn->text();
        QTest::keyClick(isbn, Qt::Key_Escape);
    };
    ASSERT_TRUE(QApplication::focusWidget());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_I, Qt::ControlModifier);
    EXPECT_EQ(seen, (QStringList{"ISBN", "88-04-12345-2", "88-04-12345-2", "1", "aperta", ""}));
    EXPECT_EQ(catalogue.scalar("select coalesce(isbn, 'NULL') from dorvi where iddorvo=1"), "NULL");
    EXPECT_EQ(services.confirmations.size(), 1u);
    EXPECT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == &window; }));
    ASSERT_TRUE(QApplication::focusWidget());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_I, Qt::ControlModifier);
    EXPECT_EQ(services.dialogsRun, 2) << "Ctrl+I opens the card again";
}

// "CITTÀ" and "città" are two columns to the engine, which folds ASCII letters
// only: the card shows each with its own value and writes each to its own column.
TEST_F(BookCardTest, ColumnsTheEngineTellsApartAreTwoFields)
{
    catalogue.exec("ALTER TABLE dorvi ADD COLUMN \"CITTÀ\" TEXT; ALTER TABLE dorvi ADD COLUMN \"città\" TEXT;"
                   "UPDATE dorvi SET \"CITTÀ\" = 'TRIESTE', \"città\" = 'Trieste' WHERE iddorvo = 2;");
    bind();
    open(1);
    ASSERT_TRUE(line("CITTÀ") && line("città"));
    EXPECT_NE(line("CITTÀ"), line("città"));
    EXPECT_EQ(line("CITTÀ")->text(), "TRIESTE");
    EXPECT_EQ(line("città")->text(), "Trieste");
    retype("città", "Gorizia");
    EXPECT_EQ(catalogue.scalar("SELECT \"città\" FROM dorvi WHERE iddorvo = 2"), "Gorizia");
    EXPECT_EQ(catalogue.scalar("SELECT \"CITTÀ\" FROM dorvi WHERE iddorvo = 2"), "TRIESTE");
}
