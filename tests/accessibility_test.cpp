// What screen readers are told, offscreen: the grid's name and description as its
// rows change, each cell read with its column's name through Qt's own accessible
// table, and the window's and dialogs' names; the card's stars and dates, and the
// dialogs with the keyboard alone (Tab leaves a table, Return stays in a list).
#include "bookcard.h"
#include "datagrid.h"
#include "datefield.h"
#include "fakes.h"
#include "fieldsdialog.h"
#include "fieldsgrid.h"
#include "frmdorvi.h"
#include "gridaccessibility.h"
#include "importdialog.h"
#include "qtwindowservices.h"
#include "starsfield.h"
#include "testcatalogue.h"
#include "windowonfakes.h"

#include <QAccessible>
#include <QAccessibleValueInterface>
#include <QApplication>
#include <QCalendarWidget>
#include <QInputDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QScrollArea>
#include <QTableWidget>
#include <QTest>
#include <QTreeWidget>
#include <QTimer>
#include <QToolButton>
#include <gtest/gtest.h>

namespace {

struct DescriptionCase {
    const char* name;
    int books, columns;
    bool newRowLine;
    const char* text;
};

class GridDescription : public ::testing::TestWithParam<DescriptionCase> {};

TEST_P(GridDescription, CountsRowsAndColumnsInItalian)
{
    const DescriptionCase& c = GetParam();
    EXPECT_EQ(GridAccessibility::description(c.books, c.columns, c.newRowLine).toStdString(), c.text);
}

INSTANTIATE_TEST_SUITE_P(
    Counts, GridDescription,
    ::testing::Values(DescriptionCase{"Several", 5, 4, false, "5 righe, 4 colonne"},
                      DescriptionCase{"One", 1, 1, false, "1 riga, 1 colonna"},
                      DescriptionCase{"NoneWithNewLine", 0, 4, true,
                                      "0 righe, 4 colonne; l'ultima riga, segnata con l'asterisco, aggiunge un libro"}),
    [](const auto& info) { return std::string(info.param.name); });

class GridReadingTest : public ::testing::Test {
protected:
    TestCatalogue catalogue{{{"Alessandro Manzoni", "I promessi sposi", ""}, {"Gabriele D'Annunzio", "Alcyone", "Poesia"}}};
    FakeWindowServices services{catalogue.folder()};
    DataGrid grid{services};

    void bind(bool editable)
    {
        grid.setAllowAddNew(editable);
        grid.setAllowDelete(editable);
        grid.setAllowUpdate(editable);
        grid.setDataSource(openRecordset(catalogue.path(), "select * from dorvi;"));
    }
    QString cell(int row, int column) const
    {
        QAccessibleInterface* table = QAccessible::queryAccessibleInterface(const_cast<DataGrid*>(&grid));
        return table->tableInterface()->cellAt(row, column)->text(QAccessible::Name);
    }
};

} // namespace

TEST_F(GridReadingTest, CellsAreReadWithTheirColumnName)
{
    bind(true);
    EXPECT_EQ(cell(0, 1), "autore: Alessandro Manzoni");
    EXPECT_EQ(cell(1, 1), "autore: Gabriele D'Annunzio");
    EXPECT_EQ(cell(0, 3), "genere: vuoto");
    EXPECT_EQ(cell(2, 2), "titolo: riga per un libro nuovo");
}

TEST_F(GridReadingTest, DescriptionFollowsTheRows)
{
    EXPECT_EQ(grid.accessibleName(), "Catalogo dei libri");
    EXPECT_TRUE(grid.accessibleDescription().startsWith("Nessun libro"));
    bind(false);
    EXPECT_EQ(grid.accessibleDescription(), "2 righe, 4 colonne");
    bind(true);
    EXPECT_TRUE(grid.accessibleDescription().startsWith("2 righe, 4 colonne; l'ultima riga"));
    services.confirmAnswers = {true};
    grid.selectRow(0);
    grid.deleteSelectedRows();
    EXPECT_TRUE(grid.accessibleDescription().startsWith("1 riga, 4 colonne; l'ultima riga"));
    grid.setAllowAddNew(false);
    EXPECT_EQ(grid.accessibleDescription(), "1 riga, 4 colonne");
}

TEST(ScreenReaderNames, WindowAndPromptAreNamed)
{
    FakeWindowServices services;
    Frmdorvi window{services};
    EXPECT_EQ(window.accessibleName(), "Gestione Dorvi");
    EXPECT_FALSE(window.accessibleDescription().isEmpty());

    QtWindowServices real;
    QString dialogName, fieldName;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QInputDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        dialogName = dialog->accessibleName();
        fieldName = dialog->findChild<QLineEdit*>()->accessibleName();
        dialog->reject();
    });
    real.prompt("inserisci autore", "Inserisci autore");
    EXPECT_EQ(dialogName, "Inserisci autore");
    EXPECT_EQ(fieldName, "inserisci autore");
}

// The clear button of Trova's field shows an icon alone: a screen reader needs its name.
TEST(ScreenReaderNames, TrovaClearButtonIsNamed)
{
    FakeWindowServices services;
    Frmdorvi window{services};
    auto* field = window.findChild<QLineEdit*>(QStringLiteral("txtfiltro"));
    ASSERT_NE(field, nullptr);
    const auto buttons = field->findChildren<QToolButton*>();
    ASSERT_EQ(buttons.size(), 1);
    QAccessibleInterface* button = QAccessible::queryAccessibleInterface(buttons.front());
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->text(QAccessible::Name), "Cancella il testo di Trova");
}

// The card's star rating is a slider a screen reader hears and sets: "4 su 5".
TEST(ScreenReaderValues, TheStarsAreASliderWithTheirValueInWords)
{
    StarsField stars;
    stars.setAccessibleName("Voto");
    std::vector<int> given;
    QObject::connect(&stars, &StarsField::chosen, [&](int n) { given.push_back(n); });
    QAccessibleInterface* slider = QAccessible::queryAccessibleInterface(&stars);
    ASSERT_NE(slider, nullptr);
    EXPECT_EQ(slider->role(), QAccessible::Slider);
    EXPECT_EQ(slider->text(QAccessible::Name), "Voto");
    EXPECT_EQ(slider->text(QAccessible::Value), "nessun voto");
    QAccessibleValueInterface* value = slider->valueInterface();
    ASSERT_NE(value, nullptr);
    EXPECT_EQ(value->minimumValue().toInt(), 0);
    EXPECT_EQ(value->maximumValue().toInt(), 5);
    value->setCurrentValue(4);
    EXPECT_EQ(stars.stars(), 4);
    EXPECT_EQ(slider->text(QAccessible::Value), "4 su 5");
    value->setCurrentValue(9); // no more than five stars
    EXPECT_EQ(value->currentValue().toInt(), 5);
    EXPECT_EQ(given, (std::vector<int>{4, 5}));
    stars.setReadOnly(true);
    value->setCurrentValue(1);
    EXPECT_EQ(stars.stars(), 5);
    EXPECT_TRUE(slider->state().readOnly);
}

namespace {

class CardReadingTest : public ::testing::Test, public FieldsGrid {};

} // namespace

// The keyboard lands in a date field's line: the line carries the field's name,
// and the calendar opens as a window a screen reader meets, keyboard on its days.
TEST_F(CardReadingTest, DateFieldsAreNamedAndTheirCalendarIsHeard)
{
    bind();
    grid.setCurrentIndex(grid.model()->index(0, 1));
    BookCard card(grid, services);
    card.show();
    for (const char* name : {"prestato_il", "finito"}) {
        auto* date = qobject_cast<DateField*>(card.editor(name));
        ASSERT_NE(date, nullptr) << name;
        EXPECT_FALSE(date->line()->accessibleName().isEmpty()) << name;
        EXPECT_EQ(date->line()->accessibleName(), date->accessibleName()) << name;
    }
    auto* lent = qobject_cast<DateField*>(card.editor("prestato_il"));
    QString popupName, calendarName;
    bool keyboardOnCalendar = false;
    QTimer::singleShot(0, [&] {
        QWidget* popup = QApplication::activePopupWidget();
        ASSERT_NE(popup, nullptr);
        popupName = QAccessible::queryAccessibleInterface(popup)->text(QAccessible::Name);
        auto* calendar = popup->findChild<QCalendarWidget*>();
        ASSERT_NE(calendar, nullptr);
        calendarName = QAccessible::queryAccessibleInterface(calendar)->text(QAccessible::Name);
        keyboardOnCalendar = calendar->isAncestorOf(QApplication::focusWidget());
        calendar->setSelectedDate(QDate(2026, 12, 8));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    });
    lent->findChild<QToolButton*>()->click();
    EXPECT_EQ(popupName, "Scegli dal calendario");
    EXPECT_EQ(calendarName, "Calendario: Prestato il");
    EXPECT_TRUE(keyboardOnCalendar);
    EXPECT_EQ(lent->line()->text(), "8/12/2026");
}

// Importa… opens on a named control, its preview is named, and Tab leaves the preview.
TEST(DialogKeyboard, ImportPreviewIsNamedAndTabLeavesIt)
{
    bookimport::ImportPreview preview;
    preview.kind = "testo delimitato (;)";
    preview.columns = {"autore", "titolo"};
    preview.catalogueColumns = {"iddorvo", "autore", "titolo", "genere"};
    preview.headings = {"author", "title"};
    for (int book = 0; book < 5; ++book)
        preview.books.push_back({"riga " + std::to_string(book + 2), {"Autore", "Titolo"}, "", true});
    ImportDialog dialog("libri.csv", preview, [&](const bookimport::ImportOptions&) { return preview; });
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    QWidget* first = QApplication::focusWidget();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(qobject_cast<QScrollArea*>(first), nullptr);
    EXPECT_FALSE(QAccessible::queryAccessibleInterface(first)->text(QAccessible::Name).isEmpty());

    auto* table = dialog.findChild<QTableWidget*>(QStringLiteral("anteprima"));
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(table->accessibleName(), "Anteprima dei libri");
    table->setFocus();
    QTest::keyClick(table, Qt::Key_Tab);
    EXPECT_NE(QApplication::focusWidget(), table);
}

// Campi…: a hidden column is read "non mostrato", and Return in the list of
// fields presses no button (it used to press Aggiungi with an empty name).
TEST(DialogKeyboard, FieldsListReadsHiddenColumnsAndReturnStaysInIt)
{
    WindowOnFakes fixture;
    fixture.trigger("mnuall");
    QStringList read;
    fixture.services.dialogScript = [&](QDialog& dialog) {
        auto& fields = static_cast<FieldsDialog&>(dialog);
        fields.setShown("genere", false);
        auto* list = dialog.findChild<QTreeWidget*>(QStringLiteral("elencocampi"));
        ASSERT_NE(list, nullptr);
        QAccessibleTableInterface* table = QAccessible::queryAccessibleInterface(list)->tableInterface();
        ASSERT_NE(table, nullptr);
        for (int row = 0; row < table->rowCount(); ++row)
            read << table->cellAt(row, 0)->text(QAccessible::Name);
        dialog.show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
        list->setFocus();
        QTest::keyClick(list, Qt::Key_Return);
        for (QListWidget* standard : dialog.findChildren<QListWidget*>()) {
            standard->setFocus();
            QTest::keyClick(standard, Qt::Key_Return);
        }
        dialog.hide();
    };
    fixture.trigger("mnucampi");
    EXPECT_TRUE(read.contains("genere, non mostrato")) << read.join(" | ").toStdString();
    EXPECT_TRUE(read.contains("autore"));
    EXPECT_TRUE(fixture.services.errors.empty()) << fixture.services.errors.front().description();
}

// The field may go while its calendar is open (the card rebuilt under it): the
// calendar goes with it and nothing is picked.
TEST(ScreenReaderValues, ADateFieldGoneWhileItsCalendarIsOpenLeavesNothingBehind)
{
    auto* date = new DateField;
    date->show();
    int picked = 0;
    QObject::connect(date, &DateField::picked, [&] { ++picked; });
    QTimer::singleShot(0, [&] {
        ASSERT_NE(QApplication::activePopupWidget(), nullptr);
        delete date;
    });
    date->findChild<QToolButton*>()->click();
    EXPECT_EQ(picked, 0);
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
}
