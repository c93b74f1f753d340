#pragma once

#include "foundshelf.h"
#include "lookupsettings.h"

#include <QDialog>

#include <cstdint>
#include <memory>
#include <optional>

class BookPreview;
class IsbnField;
class IsbnScan;
class QCheckBox;
class QLabel;
class QPushButton;
class ScanList;
class ShelfWriter;
class WindowServices;

namespace catalogue {
class History;
}
namespace lookup {
class IsbnLookup;
struct BookRecord;
}

// Strumenti › "Aggiungi da ISBN…": an ISBN typed or scanned (a scanner types the
// digits and Enter) is looked up in the background and the book found shown, to
// be added with Enter as one step of Annulla; with "Scansione continua" each ISBN
// is queued at once and each book found added as it arrives, the whole scan one
// step of Annulla. The window never waits for the services. What the user scanned
// stays listed until answered; closing with answers pending asks first.
class IsbnDialog : public QDialog {
public:
    IsbnDialog(WindowServices& services, const QString& cataloguePath, std::shared_ptr<catalogue::History> history,
               const lookup::LookupSettings& settings, QWidget* parent = nullptr);
    ~IsbnDialog() override;

    lookup::IsbnLookup& lookup() { return *m_lookup; }
    // After the dialog: the books added (each alone or in the scan), the book the
    // user asked to go to, and the ISBN the user chose to type in by hand.
    int booksAdded() const { return m_booksAdded; }
    std::optional<std::int64_t> goToBook() const { return m_goTo; }
    QString typeByHand() const { return m_byHand; }

    void reject() override;

private:
    void build();
    QWidget* buildButtons();
    void enterPressed();
    void askOne(const QString& isbn13);
    void queueScanned(const QString& isbn13);
    void found(const lookup::BookRecord& book);
    void notFound(const QString& isbn13);
    void failed(const QString& typed, const QString& message);
    void heldChecked(const QString& isbn13, const std::optional<FoundShelf::Held>& held, const QString& error);
    void nearlyHeld(const lookup::BookRecord& book, const FoundShelf::Held& held);
    void addShown(bool evenIfDuplicate);
    void added(const lookup::BookRecord& book, const FoundShelf::Outcome& outcome);
    void tell(const QString& text);
    void offerBook(std::int64_t id);
    void retry();
    void goToOffered();
    void typeOffered();
    void scanToggled(bool on);
    void entryChosen();
    void entryChanged(int index);
    void followButtons();
    void endScan();
    int waiting() const;
    bool mayClose();

    WindowServices& m_services;
    std::unique_ptr<lookup::IsbnLookup> m_lookup;
    // Both shelves are read and written only through m_writer's thread until it
    // has finished.
    FoundShelf m_single; ///< each book added alone is a step of its own
    FoundShelf m_scanned; ///< the books of the continuous scan, one step
    std::shared_ptr<catalogue::History> m_history;
    ShelfWriter* m_writer;
    IsbnScan* m_scan;

    IsbnField* m_isbn;
    QCheckBox* m_continuous;
    QLabel* m_message;
    BookPreview* m_preview;
    ScanList* m_list;
    QPushButton* m_add;
    QPushButton* m_addAnyway;
    QPushButton* m_goToButton;
    QPushButton* m_retry;
    QPushButton* m_byHandButton;

    QString m_asked;     ///< the ISBN looked up alone, until answered
    QString m_failed;    ///< the ISBN alone whose lookup failed, for Riprova
    QString m_missing;   ///< the ISBN alone that no service knew, for Scrivi a mano
    QString m_addedIsbn; ///< the ISBN of the book just added alone: Enter again adds nothing
    bool m_duplicate = false; ///< the book shown is a near duplicate of the one offered
    bool m_adding = false;    ///< the book shown is being written
    std::optional<std::int64_t> m_offered; ///< the book "Vai al libro" goes to
    int m_booksAdded = 0;
    std::optional<std::int64_t> m_goTo;
    QString m_byHand;
};
