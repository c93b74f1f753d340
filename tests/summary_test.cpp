// The summary: its counts on plain files, the window's bars, its pages and the
// command that lists a bar's books.
#include "barchart.h"
#include "fakes.h"
#include "frmdorvi.h"
#include "librarysummary.h"
#include "summarydialog.h"
#include "summarypages.h"
#include "testcatalogue.h"
#include "windowonfakes.h"

#include <QBuffer>
#include <QLabel>
#include <QPdfWriter>
#include <QTableWidget>
#include <QTest>

#include <gtest/gtest.h>
#include <sqlite3.h>

namespace {

catalogue::LibrarySummary summaryOf(const TestCatalogue& books)
{
    sqlite3* raw = nullptr;
    sqlite3_open(books.path().c_str(), &raw);
    const catalogue::DatabaseHandle db(raw);
    return catalogue::summarize(db.get());
}

std::string shown(const catalogue::SummarySection& section)
{
    std::string text;
    for (const catalogue::SummaryCount& count : section.counts)
        text += count.label + "=" + std::to_string(count.books) + " ";
    return text;
}

// Each bar's condition lists exactly the books it counts.
void expectConditionsListTheirBooks(const TestCatalogue& books, const catalogue::SummarySection& section)
{
    for (const catalogue::SummaryCount& count : section.counts)
        EXPECT_EQ(books.scalar("SELECT count(*) FROM dorvi WHERE " + count.where), std::to_string(count.books))
            << section.title << ": " << count.label;
}

QTableWidget* genreTable(QDialog& dialog)
{
    for (QTableWidget* table : dialog.findChildren<QTableWidget*>()) {
        if (table->accessibleName() == QStringLiteral("Per genere"))
            return table;
    }
    return nullptr;
}

} // namespace

TEST(SummaryCounts, CountEachFieldMostFirstWithBlanksApartAndConditionsThatListThem)
{
    TestCatalogue books;
    books.exec("ALTER TABLE dorvi ADD COLUMN anno INTEGER; ALTER TABLE dorvi ADD COLUMN collocazione TEXT;"
               "ALTER TABLE dorvi ADD COLUMN letto INTEGER;"
               "UPDATE dorvi SET anno = 1827, collocazione = 'Sala', letto = 1 WHERE iddorvo = 1;"
               "UPDATE dorvi SET anno = 1889, collocazione = 'sala', letto = 0 WHERE iddorvo = 2;"
               "UPDATE dorvi SET anno = 1880 WHERE iddorvo = 3;"
               "UPDATE dorvi SET anno = -5, collocazione = '  ' WHERE iddorvo = 4;"
               "INSERT INTO dorvi (autore, titolo, genere, anno) VALUES ('Anonimo', 'L''Odissea', NULL, 'ignoto');");
    const catalogue::LibrarySummary summary = summaryOf(books);
    EXPECT_EQ(summary.books, 6);
    ASSERT_EQ(summary.sections.size(), 5u);
    EXPECT_EQ(summary.sections[0].counts.front().label, "Romanzo");
    EXPECT_EQ(summary.sections[1].counts.front().label, "Gabriele D'Annunzio");
    EXPECT_EQ(shown(summary.sections[2]), "10–1 a.C.=1 1820–1829=1 1880–1889=2 (senza anno)=2 ");
    EXPECT_EQ(shown(summary.sections[3]).find("(senza collocazione)=4"), 0u); // blank and NULL alike
    EXPECT_EQ(shown(summary.sections[4]), "Letti=1 Non letti=1 Non detto=4 ");
    for (const catalogue::SummarySection& section : summary.sections)
        expectConditionsListTheirBooks(books, section);
}

TEST(SummaryCounts, AFieldTheCatalogueLacksIsNamedAndTheAuthorsStopAtTwenty)
{
    TestCatalogue::Books many;
    for (int author = 0; author < 25; ++author)
        for (int book = 0; book <= author % 3; ++book)
            many.push_back({"Autore " + std::to_string(author), "Titolo " + std::to_string(book), "Romanzo"});
    TestCatalogue books(many);
    const catalogue::LibrarySummary summary = summaryOf(books);
    EXPECT_EQ(summary.sections[1].counts.size(), 20u);
    EXPECT_EQ(summary.sections[1].counts.front().books, 3);
    EXPECT_EQ(summary.sections[2].missing, "anno");
    EXPECT_EQ(summary.sections[3].missing, "collocazione");
    EXPECT_EQ(summary.sections[4].missing, "letto");
    EXPECT_TRUE(summary.sections[4].counts.empty());
}

TEST(SummaryCounts, DecadesRoundDownBeforeChrist)
{
    EXPECT_EQ(catalogue::decadeOf(1987), 1980);
    EXPECT_EQ(catalogue::decadeOf(1980), 1980);
    EXPECT_EQ(catalogue::decadeOf(0), 0);
    EXPECT_EQ(catalogue::decadeOf(-1), -10);
    EXPECT_EQ(catalogue::decadeOf(-10), -10);
}

TEST(SummaryChart, AClickOnABarChoosesItAndTheKeyboardReachesEveryBar)
{
    BarChart chart({{"Romanzo", 3, "a"}, {"Poesia", 1, "b"}});
    chart.resize(chart.sizeHint());
    std::vector<std::string> chosen;
    chart.setOnChosen([&](const catalogue::SummaryCount& count) { chosen.push_back(count.where); });
    const int bar = chart.height() / 2;
    QTest::mouseClick(&chart, Qt::LeftButton, {}, QPoint(chart.width() / 2, bar + bar / 2));
    QTest::mouseClick(&chart, Qt::LeftButton, {}, QPoint(5, chart.height() + 10)); // below the bars: nothing
    QTest::keyClick(&chart, Qt::Key_Down);
    QTest::keyClick(&chart, Qt::Key_Down);
    QTest::keyClick(&chart, Qt::Key_Up);
    QTest::keyClick(&chart, Qt::Key_Return);
    EXPECT_EQ(chosen, (std::vector<std::string>{"b", "a"}));
}

TEST(SummaryPagesTest, TheCountsGoOnA4PagesNumberedAsTheListsAre)
{
    TestCatalogue::Books many;
    for (int genre = 0; genre < 150; ++genre)
        many.push_back({"Autore", "Titolo", "Genere " + std::to_string(genre)});
    SummaryPages pages(summaryOf(TestCatalogue(many)), QDate(2026, 12, 8));
    EXPECT_EQ(pages.pageLayout().pageSize().id(), QPageSize::A4);
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QPdfWriter writer(&buffer);
    writer.setPageLayout(pages.pageLayout());
    writer.setResolution(300);
    ASSERT_TRUE(pages.paint(writer));
    EXPECT_GE(pages.pageCount(), 3); // 150 genres cannot fit on one or two pages
    EXPECT_GT(buffer.size(), 1000);
}

TEST(SummaryCommand, ABarChosenListsItsBooksTheWindowStaysOpenAndTheLineSaysWhatIsListed)
{
    WindowOnFakes fixture;
    fixture.trigger("mnuall");
    QStringList missing;
    int resultAfterChoice = -1;
    fixture.services.dialogScript = [&](QDialog& dialog) {
        for (const QLabel* label : dialog.findChildren<QLabel*>(QStringLiteral("campomancante")))
            missing << label->text();
        QTableWidget* genres = genreTable(dialog);
        ASSERT_NE(genres, nullptr);
        const QList<QTableWidgetItem*> romanzo = genres->findItems(QStringLiteral("Romanzo"), Qt::MatchExactly);
        ASSERT_EQ(romanzo.size(), 1);
        genres->setCurrentItem(romanzo.front());
        QTest::keyClick(genres, Qt::Key_Return);
        resultAfterChoice = dialog.result();
    };
    fixture.trigger("mnuriepilogo");
    EXPECT_EQ(missing.size(), 3);
    EXPECT_TRUE(fixture.services.errors.empty());
    EXPECT_EQ(resultAfterChoice, 0); // neither accepted nor closed: the next bar can be chosen
    EXPECT_EQ(fixture.window.str, QStringLiteral("SELECT * FROM dorvi WHERE \"genere\" COLLATE BINARY IN ('Romanzo');"));
    ASSERT_TRUE(fixture.grid.dataSource);
    EXPECT_EQ(fixture.grid.dataSource->rowCount(), 2u);
    EXPECT_FALSE(fixture.grid.allowUpdate); // listed in the mode the grid was in
    const auto* notice = fixture.window.findChild<QLabel*>(QStringLiteral("rigaavvisi"));
    ASSERT_NE(notice, nullptr);
    EXPECT_EQ(notice->text(), QStringLiteral("Genere «Romanzo»: 2 libri"));
}
