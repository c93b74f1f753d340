// What screen readers are told, offscreen: the grid's name and description as its
// rows change, each cell read with its column's name through Qt's own accessible
// table, and the window's and dialogs' names.
#include "datagrid.h"
#include "fakes.h"
#include "frmdorvi.h"
#include "gridaccessibility.h"
#include "qtwindowservices.h"
#include "testcatalogue.h"

#include <QAccessible>
#include <QApplication>
#include <QInputDialog>
#include <QLineEdit>
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
