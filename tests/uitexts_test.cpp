// Texts the user must read whole: a field's kind in Campi…, the import's report
// and its preview's values, and the Italian label behind a grid heading.
#include "fieldsdialog.h"
#include "fieldsgrid.h"
#include "importdialog.h"
#include "importreportdialog.h"
#include "windowonfakes.h"

#include <QApplication>
#include <QHeaderView>
#include <QHelpEvent>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTableWidget>
#include <QTest>
#include <QToolTip>
#include <QTreeWidget>

#include <gtest/gtest.h>

namespace {

// The tooltip a pointer resting on `area` of `viewport` brings up; empty for none.
// A tooltip hidden lingers a moment: the last one is gone before the next is asked.
QString tooltipAt(QWidget* viewport, const QRect& area)
{
    QToolTip::hideText();
    EXPECT_TRUE(QTest::qWaitFor([] { return QToolTip::text().isEmpty(); }, 3000));
    QHelpEvent help(QEvent::ToolTip, area.center(), viewport->mapToGlobal(area.center()));
    QApplication::sendEvent(viewport, &help);
    return QToolTip::text();
}

} // namespace

TEST(FieldsDialogTexts, TheKindColumnShowsTestoSuPiuRigheWhole)
{
    WindowOnFakes w;
    w.catalogue.exec("ALTER TABLE dorvi ADD COLUMN note TEXT");
    bool seen = false;
    w.services.dialogScript = [&](QDialog& dialog) {
        dialog.show();
        auto* list = dialog.findChild<QTreeWidget*>(QStringLiteral("elencocampi"));
        ASSERT_NE(list, nullptr);
        const auto found = list->findItems(QStringLiteral("note"), Qt::MatchExactly, 0);
        ASSERT_EQ(found.size(), 1);
        const QString kind = found.front()->text(1);
        EXPECT_EQ(kind, QStringLiteral("testo su più righe"));
        EXPECT_GE(list->columnWidth(1), list->fontMetrics().horizontalAdvance(kind))
            << "the kind is read whole, not cut to \"testo su p…\"";
        seen = true;
    };
    w.trigger("mnucampi");
    EXPECT_TRUE(seen);
}

TEST(ImportTexts, TheReportsLongLinesWrapInsteadOfRunningOffToTheRight)
{
    const QString duplicate = QStringLiteral(
        "riga 12: «Il nome della rosa» di Umberto Eco è un doppione di «Il nome della rosa» di Umberto Eco, "
        "n. 4512, già nel catalogo: non aggiunto (la regola dei doppioni confronta autore e titolo)");
    ImportReportDialog dialog(QStringLiteral("Libri letti: 3\n") + duplicate + QLatin1Char('\n') + duplicate);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    auto* report = dialog.findChild<QPlainTextEdit*>(QStringLiteral("report"));
    ASSERT_NE(report, nullptr);
    EXPECT_EQ(report->horizontalScrollBar()->maximum(), 0) << "nothing to scroll across to";
    EXPECT_EQ(dialog.text(), QStringLiteral("Libri letti: 3\n") + duplicate + QLatin1Char('\n') + duplicate)
        << "the text itself is kept as the import wrote it";
}

TEST(ImportTexts, APreviewValueCutInItsCellShowsWholeInItsTooltip)
{
    const std::string longTitle = "Uno, nessuno e centomila, ovvero la storia di un uomo che si guardò allo specchio";
    bookimport::ImportPreview preview;
    preview.kind = "testo delimitato (;)";
    preview.columns = {"autore", "titolo", "note"};
    preview.catalogueColumns = {"iddorvo", "autore", "titolo", "genere", "note"};
    bookimport::PreviewBook book;
    book.where = "riga 2";
    book.values = {"Luigi Pirandello", longTitle, "prima riga\nseconda riga"};
    book.added = true;
    preview.books.push_back(book);
    ImportDialog dialog(QStringLiteral("libri.csv"), preview,
                        [&](const bookimport::ImportOptions&) { return preview; });
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    auto* table = dialog.findChild<QTableWidget*>(QStringLiteral("anteprima"));
    ASSERT_NE(table, nullptr);
    table->setColumnWidth(1, 400);
    table->setColumnWidth(2, 80);
    table->setColumnWidth(3, 300);
    const auto cellTip = [&](int column) {
        return tooltipAt(table->viewport(), table->visualItemRect(table->item(0, column)));
    };
    EXPECT_EQ(cellTip(2), QString::fromStdString(longTitle)) << "cut to its column: whole in the tooltip";
    EXPECT_EQ(cellTip(1), QString()) << "shown whole: no tooltip repeats it";
    EXPECT_EQ(cellTip(3), QStringLiteral("prima riga\nseconda riga")) << "a second line the cell cannot show";
}

TEST(GridHeadings, AHeadingsTooltipGivesTheFieldsItalianLabelAndTheHeadingKeepsTheName)
{
    FieldsGrid fixture;
    fixture.catalogue.exec("ALTER TABLE dorvi ADD COLUMN prestato_a TEXT");
    fixture.bind();
    const QAbstractItemModel& model = *fixture.grid.model();
    for (const auto& [name, label] : {std::pair{"prestato_il", "Prestato il"}, std::pair{"prestato_a", "Prestato a"},
                                      std::pair{"iddorvo", "N."}, std::pair{"finito", "finito"}}) {
        const int column = fixture.column(name);
        ASSERT_GE(column, 0) << name;
        EXPECT_EQ(model.headerData(column, Qt::Horizontal).toString(), QString::fromLatin1(name));
        EXPECT_EQ(model.headerData(column, Qt::Horizontal, Qt::ToolTipRole).toString(), QString::fromUtf8(label));
    }
    QHeaderView* header = fixture.grid.horizontalHeader();
    const int column = fixture.column("prestato_il");
    fixture.grid.scrollTo(model.index(0, column));
    const QRect heading(header->sectionViewportPosition(column), 0, header->sectionSize(column), header->height());
    EXPECT_EQ(tooltipAt(header->viewport(), heading), QStringLiteral("Prestato il")) << "resting on the heading";
}
