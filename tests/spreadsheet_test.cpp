// The spreadsheet export read back by a real spreadsheet: LibreOffice Calc, run
// headless, opens the CSV as an Italian user's Calc does (`;`, UTF-8, it-IT for the
// decimal comma) and saves it as a flat OpenDocument sheet, whose cells must be the
// grid's: numbers as numbers, text with its accents, apostrophes, `;`, quotes and
// line breaks.
#include "windowonfakes.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QUrl>
#include <QXmlStreamReader>
#include <gtest/gtest.h>

namespace {

struct SheetCell {
    QString type; ///< office:value-type: "float", "string", or empty for an empty cell
    QString value; ///< office:value for numbers
    QString text;  ///< the paragraphs, joined by line feeds
    QString formula; ///< table:formula, for a cell Calc computes
};
using Sheet = std::vector<std::vector<SheetCell>>;

// The paragraphs of a cell, with text:s (spaces) and text:line-break spelt out.
QString cellText(QXmlStreamReader& xml)
{
    QStringList paragraphs;
    QString current;
    int depth = 1;
    while (depth > 0 && !xml.atEnd()) {
        switch (xml.readNext()) {
        case QXmlStreamReader::StartElement:
            ++depth;
            if (xml.name() == u"s")
                current += QString(xml.attributes().value("text:c").toInt() > 0 ? xml.attributes().value("text:c").toInt() : 1, ' ');
            else if (xml.name() == u"line-break")
                current += '\n';
            else if (xml.name() == u"tab")
                current += '\t';
            break;
        case QXmlStreamReader::EndElement:
            --depth;
            if (xml.name() == u"p") {
                paragraphs << current;
                current.clear();
            }
            break;
        case QXmlStreamReader::Characters:
            if (depth > 1) // inside a paragraph, not the layout between elements
                current += xml.text();
            break;
        default:
            break;
        }
    }
    return paragraphs.join('\n');
}

Sheet readFlatSheet(const QString& path)
{
    QFile file(path);
    Sheet sheet;
    if (!file.open(QIODevice::ReadOnly))
        return sheet;
    QXmlStreamReader xml(&file);
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (xml.name() == u"table-row") {
            sheet.emplace_back();
        } else if (xml.name() == u"table-cell" && !sheet.empty()) {
            const auto attributes = xml.attributes();
            SheetCell cell{attributes.value("office:value-type").toString(), attributes.value("office:value").toString(),
                           {}, attributes.value("table:formula").toString()};
            const int repeated = std::max(1, attributes.value("table:number-columns-repeated").toInt());
            cell.text = cellText(xml);
            for (int i = 0; i < std::min(repeated, 64); ++i)
                sheet.back().push_back(cell);
        }
    }
    return sheet;
}

// Calc, headless, opens each CSV file of `folder` named in `files` as the README
// tells an Italian user to (formulas evaluated, as Calc does by default) and saves
// it beside as a flat OpenDocument sheet. Returns what Calc said, for a failure.
// A profile of its own, so the test needs nothing of the user's and runs as root.
QString convertWithCalc(const QString& folder, const QStringList& files)
{
    const auto convert = [&] {
        QStringList arguments = {"-env:UserInstallation=" + QUrl::fromLocalFile(folder + "/profilo").toString(),
                                 "--headless", "--norestore", "--infilter=CSV:59,34,76,1,,1040", "--convert-to", "fods",
                                 "--outdir", folder};
        for (const QString& file : files)
            arguments << folder + "/" + file;
        QProcess calc;
        calc.setProcessChannelMode(QProcess::MergedChannels);
        calc.start("soffice", arguments);
        const bool ended = calc.waitForFinished(120000);
        return QStringLiteral("ended %1, status %2: %3")
            .arg(ended).arg(calc.exitCode()).arg(QString::fromLocal8Bit(calc.readAll()));
    };
    const auto converted = [&] {
        for (const QString& file : files) {
            if (!QFile::exists(folder + "/" + QString(file).replace(".csv", ".fods")))
                return false;
        }
        return true;
    };
    QString log = convert();
    // Calc now and then ends without converting on the run that creates its
    // profile; the second run finds the profile made.
    if (!converted())
        log += "\n" + convert();
    return log;
}

class Spreadsheet : public ::testing::Test, public WindowOnFakes {};

} // namespace

TEST_F(Spreadsheet, CalcReadsBackTheGridsValues)
{
    catalogue.exec("ALTER TABLE dorvi ADD COLUMN prezzo REAL;"
                   "UPDATE dorvi SET prezzo = 12.5 WHERE iddorvo = 1;"
                   "UPDATE dorvi SET prezzo = -0.75 WHERE iddorvo = 2;"
                   "INSERT INTO dorvi (autore, titolo, genere, prezzo) VALUES "
                   "('Italo Calvino', 'Le città invisibili', 'Romanzo; fantastico', 1972),"
                   "('Anonimo', 'Il \"Novellino\"', NULL, x'00ff'),"
                   "('Giacomo Leopardi', 'Canti' || char(13) || char(10) || 'Operette morali', 'Poesia' || char(10) || 'Prosa', NULL)");
    trigger("mnuall");
    const QString folder = catalogue.folder();
    services.fileAnswers.push_back(folder + "/catalogo.csv");
    trigger("mnuesportacsv");
    ASSERT_TRUE(services.errors.empty());

    const QString log = convertWithCalc(folder, {"catalogo.csv"});
    ASSERT_TRUE(QFile::exists(folder + "/catalogo.fods")) << log.toStdString();

    const Sheet sheet = readFlatSheet(folder + "/catalogo.fods");
    const auto rows = catalogue.rows("select iddorvo, autore, titolo, genere, typeof(prezzo), prezzo from dorvi order by iddorvo");
    ASSERT_GE(sheet.size(), rows.size() + 1);
    const QStringList headings = {"iddorvo", "autore", "titolo", "genere", "prezzo"};
    for (int column = 0; column < headings.size(); ++column)
        EXPECT_EQ(sheet[0].at(column).text, headings[column]);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const auto& row = rows[i];
        const auto& cells = sheet[i + 1];
        SCOPED_TRACE(row[0]);
        ASSERT_GE(cells.size(), 4u);
        EXPECT_EQ(cells[0].type, "float");
        EXPECT_EQ(cells[0].value, QString::fromStdString(row[0]));
        for (int column = 1; column <= 3; ++column) {
            if (row[column] == "NULL")
                EXPECT_TRUE(cells[column].type.isEmpty());
            else
                EXPECT_EQ(cells[column].text, QString::fromStdString(row[column]).replace("\r\n", "\n"));
        }
        const std::string type = row[4];
        const SheetCell price = cells.size() > 4 ? cells[4] : SheetCell{};
        if (type == "real" || type == "integer") {
            EXPECT_EQ(price.type, "float");
            EXPECT_DOUBLE_EQ(price.value.toDouble(), std::stod(row[5]));
        } else if (type == "blob") {
            EXPECT_EQ(price.text, "(dati binari)");
        } else {
            EXPECT_TRUE(price.type.isEmpty());
        }
    }
}

// Titles and authors from other people's lists that a spreadsheet would run: a
// link, a web request, a call to another program. Calc opens the export with every
// one of them as the text it is, and no formula anywhere; the same text written
// bare into a file beside becomes formulas, so Calc did evaluate what it read.
TEST_F(Spreadsheet, NoTitleBecomesAFormula)
{
    const QStringList titles = {"=1+1",
                                "=HYPERLINK(\"http://x\";\"y\")",
                                "=WEBSERVICE(\"http://127.0.0.1:9/\")",
                                "=cmd|' /C calc'!A0",
                                "@SUM(1;1)",
                                "+1+1",
                                "-1+1",
                                "\t=1+1",
                                "=SUM(1;1)*-1"};
    catalogue.exec("DELETE FROM dorvi");
    for (const QString& title : titles)
        catalogue.exec("INSERT INTO dorvi (autore, titolo, genere) VALUES ('=2+2', '" +
                       QString(title).replace("'", "''").toStdString() + "', '-3')");
    trigger("mnuall");
    const QString folder = catalogue.folder();
    services.fileAnswers.push_back(folder + "/catalogo.csv");
    trigger("mnuesportacsv");
    ASSERT_TRUE(services.errors.empty());
    QFile bare(folder + "/nudo.csv");
    ASSERT_TRUE(bare.open(QIODevice::WriteOnly));
    bare.write("=1+1;@SUM(1;1)\r\n");
    bare.close();

    const QString log = convertWithCalc(folder, {"catalogo.csv", "nudo.csv"});
    const Sheet sheet = readFlatSheet(folder + "/catalogo.fods");
    ASSERT_EQ(sheet.size(), static_cast<std::size_t>(titles.size() + 1)) << log.toStdString();
    for (int i = 0; i < titles.size(); ++i) {
        const auto& cells = sheet[static_cast<std::size_t>(i) + 1];
        SCOPED_TRACE(titles[i].toStdString());
        ASSERT_GE(cells.size(), 4u);
        for (const SheetCell& cell : cells)
            EXPECT_TRUE(cell.formula.isEmpty()) << cell.formula.toStdString();
        EXPECT_TRUE(cells[2].text.endsWith(titles[i])) << cells[2].text.toStdString();
        EXPECT_TRUE(cells[1].text.endsWith("=2+2")) << cells[1].text.toStdString();
        EXPECT_EQ(cells[3].type, "float") << "a plain negative number stays a number";
        EXPECT_EQ(cells[3].value, "-3");
    }
    const Sheet bareSheet = readFlatSheet(folder + "/nudo.fods");
    ASSERT_GE(bareSheet.size(), 1u) << log.toStdString();
    ASSERT_GE(bareSheet[0].size(), 2u);
    EXPECT_FALSE(bareSheet[0][0].formula.isEmpty()) << "Calc evaluates formulas in what it opens";
}
