// The safety copies as the user meets them in the window: the day's copy at start,
// the menu item and its dialog, a damaged catalogue at start, and a folder where no
// copy can be written, told once while the user's edits go on being written.
#include "backupgate.h"
#include "copiesdialog.h"
#include "copykeeper.h"
#include "history.h"
#include "importdialog.h"
#include "importreportdialog.h"
#include "windowonfakes.h"

#include <QDialogButtonBox>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>
#include <gtest/gtest.h>

#include <fstream>

using catalogue::SafetyCopies;

namespace {

// Lets the window's event loop run until the copy in the background has ended.
void finishCopy(CopyKeeper& keeper)
{
    QElapsedTimer waited;
    waited.start();
    while (keeper.copying() && waited.elapsed() < 20000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    ASSERT_FALSE(keeper.copying());
}

void damage(const std::string& path)
{
    QFile file(QString::fromStdString(path));
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    file.write(QByteArray(64, '\x5a'));
}

QTreeWidget* listIn(QDialog& dialog) { return dialog.findChild<QTreeWidget*>(QStringLiteral("elencocopie")); }

} // namespace

TEST(DailyCopy, IsMadeAtStartOnceADayAndTheStartGoesOnMeanwhile)
{
    WindowOnFakes fixture;
    CopyKeeper& keeper = fixture.window.copies();
    keeper.atStart();
    EXPECT_TRUE(keeper.copying()) << "the copy runs in the background";
    finishCopy(keeper);
    const auto copies = keeper.copies().list();
    ASSERT_EQ(copies.size(), 1u);
    EXPECT_EQ(catalogue::countBooks(copies.front().path), 5);

    keeper.atStart();
    EXPECT_FALSE(keeper.copying()) << "today's copy is there already";
    EXPECT_TRUE(fixture.services.informations.empty());
    EXPECT_TRUE(fixture.services.errors.empty());
}

// An edit typed while the day's copy runs is written once the copy is done; the
// copy holds the book as it was.
TEST(DailyCopy, AnEditDuringTheCopyIsWrittenAfterItAndNotInIt)
{
    WindowOnFakes fixture;
    fixture.trigger("mnuop");
    CopyKeeper& keeper = fixture.window.copies();
    keeper.atStart();
    ASSERT_TRUE(keeper.copying());
    fixture.grid.dataSource->update(1, 2, std::string("Il piacere (riveduto)"));
    EXPECT_FALSE(catalogue::BackupGate::isCopying(fixture.catalogue.path())) << "the write waited for the copy";
    finishCopy(keeper);
    const auto copies = keeper.copies().list();
    ASSERT_EQ(copies.size(), 1u);
    EXPECT_EQ(fixture.catalogue.scalar("SELECT titolo FROM dorvi WHERE iddorvo = 2"), "Il piacere (riveduto)");
    auto copied = openRecordset(copies.front().path, "select titolo from dorvi where iddorvo = 2;");
    EXPECT_EQ(std::get<std::string>(copied->value(0, 0)), "Il piacere") << "the copy holds the book as it was";
}

TEST(RefusedFolder, IsToldOnceAndTheEditIsStillWritten)
{
    WindowOnFakes fixture;
    QFile blocker(fixture.catalogue.folder() + QStringLiteral("/copie"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    CopyKeeper& keeper = fixture.window.copies();
    keeper.atStart();
    finishCopy(keeper);
    ASSERT_EQ(fixture.services.informations.size(), 1u);
    const auto& told = fixture.services.informations.front();
    EXPECT_EQ(told.title, QStringLiteral("Copie di sicurezza"));
    EXPECT_TRUE(told.text.contains(QStringLiteral("non è una cartella"))) << told.text.toStdString();
    EXPECT_TRUE(told.text.contains(QStringLiteral("Rinominare o spostare il file"))) << "what to do";
    EXPECT_TRUE(told.text.contains(QStringLiteral("ogni modifica è scritta")));

    fixture.trigger("mnuop");
    fixture.grid.dataSource->update(1, 1, std::string("Gabriele d'Annunzio"));
    EXPECT_EQ(fixture.catalogue.scalar("SELECT autore FROM dorvi WHERE iddorvo = 2"), "Gabriele d'Annunzio");
    EXPECT_FALSE(keeper.copyBeforeChange()) << "a copy before a change of structure fails the same way";
    EXPECT_EQ(fixture.services.informations.size(), 1u) << "told once per run";
    EXPECT_TRUE(fixture.services.errors.empty());
}

TEST(CopiesMenu, ListsTheCopiesNewestFirstAndRestoresTheChosenOneIntoTheGrid)
{
    WindowOnFakes fixture;
    CopyKeeper& keeper = fixture.window.copies();
    const SafetyCopies copies = keeper.copies();
    copies.make();
    fixture.catalogue.exec("DELETE FROM dorvi");
    fixture.trigger("mnuop");

    QStringList shown;
    fixture.services.confirmAnswers = {true};
    fixture.services.dialogScript = [&](QDialog& dialog) {
        QTreeWidget* list = listIn(dialog);
        ASSERT_NE(list, nullptr);
        // The counts are read in the background and arrive after the list opens.
        EXPECT_TRUE(QTest::qWaitFor([&] { return list->topLevelItem(0)->text(1) != QStringLiteral("…"); }));
        for (int row = 0; row < list->topLevelItemCount(); ++row)
            shown << list->topLevelItem(row)->text(1);
        static_cast<CopiesDialog&>(dialog).restoreSelected();
    };
    fixture.trigger("mnucopie");
    EXPECT_EQ(fixture.services.dialogsRun, 1);
    EXPECT_EQ(shown, QStringList{QStringLiteral("5")});
    ASSERT_EQ(fixture.services.confirmations.size(), 1u);
    const QString question = fixture.services.confirmations.front().text;
    EXPECT_TRUE(question.contains(copyTimeText(copies.list().back().made))) << question.toStdString();
    EXPECT_TRUE(question.contains(QStringLiteral("che contiene 5 libri"))) << question.toStdString();
    EXPECT_TRUE(question.contains(QStringLiteral("che contiene 0 libri"))) << question.toStdString();
    EXPECT_EQ(fixture.catalogue.scalar("SELECT count(*) FROM dorvi"), "5");
    ASSERT_TRUE(fixture.grid.dataSource);
    EXPECT_EQ(fixture.grid.dataSource->rowCount(), 5u) << "the grid lists the restored catalogue";
    EXPECT_TRUE(fixture.grid.allowUpdate) << "in the mode it had";
    EXPECT_EQ(copies.list().size(), 2u) << "the catalogue before the restore was copied first";
    EXPECT_EQ(catalogue::countBooks(copies.list().front().path), 0);
}

TEST(CopiesMenu, ARestoreDeclinedChangesNothing)
{
    WindowOnFakes fixture;
    const SafetyCopies copies = fixture.window.copies().copies();
    copies.make();
    fixture.catalogue.exec("DELETE FROM dorvi WHERE iddorvo > 2");
    fixture.services.dialogScript = [](QDialog& dialog) { static_cast<CopiesDialog&>(dialog).restoreSelected(); };
    fixture.trigger("mnucopie");
    EXPECT_EQ(fixture.services.confirmations.size(), 1u);
    EXPECT_EQ(fixture.catalogue.scalar("SELECT count(*) FROM dorvi"), "2");
    EXPECT_EQ(copies.list().size(), 1u);
    EXPECT_FALSE(fixture.grid.dataSource);
}

TEST(CopiesMenu, SavesACopyWhereTheUserChoosesAndOpensTheFolder)
{
    WindowOnFakes fixture;
    const SafetyCopies copies = fixture.window.copies().copies();
    CopiesDialog empty(fixture.services, fixture.window.copies());
    empty.openFolder();
    ASSERT_EQ(fixture.services.informations.size(), 1u) << "no folder yet: said so";
    EXPECT_FALSE(empty.findChild<QPushButton*>()->isEnabled()) << "nothing to restore";

    copies.make();
    QTemporaryDir stick;
    const QString target = stick.path() + QStringLiteral("/catalogo del mese.mdb");
    fixture.services.fileAnswers = {target, QString::fromStdString(fixture.catalogue.path())};
    CopiesDialog dialog(fixture.services, fixture.window.copies());
    dialog.saveSelected();
    ASSERT_EQ(fixture.services.fileDialogs.size(), 1u);
    EXPECT_TRUE(fixture.services.fileDialogs.front().text.endsWith(
        QString::fromStdString(std::filesystem::path(copies.list().front().path).filename().string())));
    EXPECT_EQ(catalogue::countBooks(target.toStdString()), 5);
    EXPECT_TRUE(catalogue::passesQuickCheck(target.toStdString()));

    fixture.catalogue.exec("DELETE FROM dorvi WHERE iddorvo = 1");
    dialog.saveSelected();
    EXPECT_EQ(fixture.catalogue.scalar("SELECT count(*) FROM dorvi"), "4") << "a copy never replaces the catalogue";

    dialog.openFolder();
    EXPECT_EQ(fixture.services.openedFolders, QStringList{QString::fromStdString(copies.folder())});
}

TEST(DamagedAtStart, IsReportedAsTodayThenTheNewestGoodCopyIsOffered)
{
    WindowOnFakes fixture;
    const SafetyCopies copies = fixture.window.copies().copies();
    const auto good = copies.make();
    fixture.catalogue.exec("DELETE FROM dorvi WHERE iddorvo = 5");
    const auto newer = copies.make();
    damage(newer.path);
    damage(fixture.catalogue.path());

    fixture.services.confirmAnswers = {true};
    fixture.window.copies().atStart();
    ASSERT_EQ(fixture.services.errors.size(), 1u);
    const auto& error = fixture.services.errors.front();
    EXPECT_EQ(error.number(), catalogue::ErrorNumber::NotADatabase);
    EXPECT_NE(error.description().find(fixture.catalogue.path()), std::string::npos) << "with its path";
    ASSERT_EQ(fixture.services.confirmations.size(), 1u);
    const QString question = fixture.services.confirmations.front().text;
    EXPECT_TRUE(question.contains(copyTimeText(good.made))) << question.toStdString();
    EXPECT_TRUE(question.contains(QStringLiteral("con 5 libri"))) << question.toStdString();
    EXPECT_EQ(fixture.catalogue.scalar("SELECT count(*) FROM dorvi"), "5");
    EXPECT_TRUE(QFile::exists(QString::fromStdString(fixture.catalogue.path() + ".danneggiato")));
    finishCopy(fixture.window.copies());
}

TEST(DamagedAtStart, DeclinedLeavesTheFileAndMakesNoCopyOfIt)
{
    WindowOnFakes fixture;
    const SafetyCopies copies = fixture.window.copies().copies();
    const auto good = copies.make();
    damage(fixture.catalogue.path());
    fixture.window.copies().atStart();
    EXPECT_EQ(fixture.services.errors.size(), 1u);
    EXPECT_EQ(fixture.services.confirmations.size(), 1u);
    EXPECT_FALSE(fixture.window.copies().copying());
    EXPECT_FALSE(QFile::exists(QString::fromStdString(fixture.catalogue.path() + ".danneggiato")));
    EXPECT_EQ(copies.list().size(), 1u);
}

// A restore replaces the file the changes of this run were written to: none of
// them is offered for Annulla afterwards (it would be refused as another
// program's doing); the restore itself is undone by restoring its own copy.
TEST(CopiesMenu, ARestoreEndsTheHistoryOfTheFileItReplaced)
{
    WindowOnFakes fixture;
    const SafetyCopies copies = fixture.window.copies().copies();
    copies.make();
    fixture.trigger("mnuop");
    fixture.grid.dataSource->update(1, 2, std::string("Il piacere (riveduto)"));
    fixture.grid.dataSource->remove(std::vector<std::size_t>{0, 2, 3});
    ASSERT_TRUE(fixture.window.history()->canUndo());
    fixture.trigger("mnuannulla");
    ASSERT_TRUE(fixture.window.history()->canRedo());

    fixture.services.confirmAnswers = {true};
    fixture.services.dialogScript = [](QDialog& dialog) { static_cast<CopiesDialog&>(dialog).restoreSelected(); };
    fixture.trigger("mnucopie");
    ASSERT_EQ(fixture.catalogue.scalar("SELECT count(*) FROM dorvi"), "5");
    EXPECT_FALSE(fixture.window.history()->canUndo());
    EXPECT_FALSE(fixture.window.history()->canRedo());
    EXPECT_FALSE(fixture.window.findChild<QAction*>(QStringLiteral("mnuannulla"))->isEnabled());
    fixture.trigger("mnuannulla");
    EXPECT_TRUE(fixture.services.errors.empty());
    EXPECT_EQ(fixture.catalogue.scalar("SELECT titolo FROM dorvi WHERE iddorvo = 2"), "Il piacere");
    EXPECT_EQ(copies.list().front().reason.text().rfind("prima del ripristino della copia del ", 0), 0u)
        << copies.list().front().reason.text();
}

// The list says why each copy was made.
TEST(CopiesMenu, SaysWhyEachCopyWasMade)
{
    WindowOnFakes fixture;
    CopyKeeper& keeper = fixture.window.copies();
    keeper.atStart();
    finishCopy(keeper);
    ASSERT_TRUE(keeper.copyBeforeChange(catalogue::beforeFieldRemoval("dedica")));
    CopiesDialog dialog(fixture.services, keeper);
    QTreeWidget* list = listIn(dialog);
    ASSERT_EQ(list->topLevelItemCount(), 2);
    EXPECT_EQ(list->headerItem()->text(3), QStringLiteral("Motivo"));
    EXPECT_EQ(list->topLevelItem(0)->text(3), QStringLiteral("prima dell'eliminazione del campo «dedica»"));
    EXPECT_EQ(list->topLevelItem(1)->text(3), QStringLiteral("copia del giorno"));
}

// Where no copy can be made, Importa… asks before writing, as the command line
// refuses: No writes nothing, Sì imports without the copy.
TEST(ImportWithoutCopy, IsAskedAndNoWritesNothing)
{
    WindowOnFakes fixture;
    QFile blocker(fixture.catalogue.folder() + QStringLiteral("/copie"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const std::string csv = fixture.catalogue.folder().toStdString() + "/goodreads.csv";
    std::ofstream(csv) << "autore;titolo\nPrimo Levi;La tregua\n";
    fixture.services.dialogScript = [](QDialog& dialog) {
        if (auto* import = dynamic_cast<ImportDialog*>(&dialog))
            import->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
    };
    for (const bool answer : {false, true}) {
        fixture.services.fileAnswers = {QString::fromStdString(csv)};
        fixture.services.confirmAnswers = {answer};
        fixture.services.confirmations.clear();
        fixture.trigger("mnuimporta");
        ASSERT_EQ(fixture.services.confirmations.size(), 1u) << answer;
        const QString question = fixture.services.confirmations.front().text;
        EXPECT_TRUE(question.startsWith(QStringLiteral("Nessuna copia di sicurezza possibile: importare lo stesso?")))
            << question.toStdString();
        EXPECT_TRUE(question.contains(QStringLiteral("non è una cartella"))) << "why: " << question.toStdString();
        EXPECT_EQ(fixture.catalogue.scalar("SELECT count(*) FROM dorvi"), answer ? "6" : "5") << answer;
    }
    EXPECT_TRUE(fixture.services.errors.empty());
}

// The start clears what a copy killed half way left behind, before its own copy.
TEST(DailyCopy, TheStartRemovesAPartialCopyLeftByAKill)
{
    WindowOnFakes fixture;
    CopyKeeper& keeper = fixture.window.copies();
    const std::filesystem::path folder(keeper.copies().folder());
    std::filesystem::create_directory(folder);
    const std::filesystem::path left = folder / "dorvi-20261201-120000.mdb.parziale";
    std::filesystem::copy_file(fixture.catalogue.path(), left);
    std::filesystem::last_write_time(left, std::filesystem::file_time_type::clock::now() - std::chrono::hours(2));
    keeper.atStart();
    EXPECT_FALSE(std::filesystem::exists(left));
    finishCopy(keeper);
    EXPECT_EQ(keeper.copies().list().size(), 1u);
}
