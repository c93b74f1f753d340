// Aggiungi da ISBN…: the field that takes an ISBN typed or scanned, the book found
// shown before it is added, and the list of a continuous scan.
#include "isbndialog.h"

#include "bookpreview.h"
#include "error.h"
#include "isbnfield.h"
#include "isbnlookup.h"
#include "isbnscan.h"
#include "scanlist.h"
#include "shelfwriter.h"
#include "windowservices.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QPushButton* button(const QString& caption, const char* name, QWidget* parent)
{
    auto* made = new QPushButton(caption, parent);
    made->setObjectName(QLatin1String(name));
    made->setAccessibleName(QString(caption).remove(QLatin1Char('&')));
    return made;
}

QString problemOf(const std::exception& error)
{
    if (const auto* known = dynamic_cast<const catalogue::Error*>(&error))
        return QString::fromStdString(known->description());
    return QString::fromLocal8Bit(error.what());
}

} // namespace

IsbnDialog::IsbnDialog(WindowServices& services, const QString& cataloguePath,
                       std::shared_ptr<catalogue::History> history, const lookup::LookupSettings& settings,
                       QWidget* parent)
    : QDialog(parent), m_services(services), m_lookup(std::make_unique<lookup::IsbnLookup>(settings)),
      m_single(cataloguePath, history), m_scanned(cataloguePath, history), m_history(history)
{
    m_writer = new ShelfWriter(this);
    m_scan = new IsbnScan(*m_lookup, m_scanned, *m_writer, this);
    build();
    connect(m_lookup.get(), &lookup::IsbnLookup::found, this, &IsbnDialog::found);
    connect(m_lookup.get(), &lookup::IsbnLookup::notFound, this, &IsbnDialog::notFound);
    connect(m_lookup.get(), &lookup::IsbnLookup::failed, this, &IsbnDialog::failed);
    connect(m_scan, &IsbnScan::entryChanged, this, &IsbnDialog::entryChanged);
    followButtons();
}

IsbnDialog::~IsbnDialog()
{
    endScan();
}

void IsbnDialog::build()
{
    setObjectName(QStringLiteral("IsbnDialog"));
    setWindowTitle(QStringLiteral("Aggiungi da ISBN"));
    setAccessibleName(QStringLiteral("Aggiungi da ISBN"));
    auto* layout = new QVBoxLayout(this);
    auto* entry = new QHBoxLayout;
    auto* label = new QLabel(QStringLiteral("&ISBN:"), this);
    m_isbn = new IsbnField(this);
    label->setBuddy(m_isbn);
    m_continuous = new QCheckBox(QStringLiteral("Scansione &continua"), this);
    m_continuous->setObjectName(QStringLiteral("scansionecontinua"));
    m_continuous->setAccessibleName(QStringLiteral("Scansione continua"));
    entry->addWidget(label);
    entry->addWidget(m_isbn, 1);
    entry->addWidget(m_continuous);
    layout->addLayout(entry);

    m_message = new QLabel(QStringLiteral("Scrivi o scansiona un ISBN e premi Invio."), this);
    m_message->setObjectName(QStringLiteral("esito"));
    m_message->setAccessibleName(QStringLiteral("Esito"));
    m_message->setWordWrap(true);
    m_message->setTextInteractionFlags(Qt::TextSelectableByKeyboard | Qt::TextSelectableByMouse);
    m_message->setFocusPolicy(Qt::TabFocus);
    layout->addWidget(m_message);
    m_preview = new BookPreview(this);
    layout->addWidget(m_preview, 1);

    m_list = new ScanList(*m_scan, this);
    layout->addWidget(m_list, 1);
    layout->addWidget(buildButtons());

    connect(m_isbn, &IsbnField::entered, this, &IsbnDialog::enterPressed);
    connect(m_continuous, &QCheckBox::toggled, this, &IsbnDialog::scanToggled);
    connect(m_list->list(), &QListWidget::currentRowChanged, this, &IsbnDialog::entryChosen);
    scanToggled(false);
    resize(640, 420);
}

QWidget* IsbnDialog::buildButtons()
{
    auto* row = new QWidget(this);
    auto* buttons = new QHBoxLayout(row);
    buttons->setContentsMargins(0, 0, 0, 0);
    m_add = button(QStringLiteral("&Aggiungi"), "aggiungi", row);
    m_addAnyway = button(QStringLiteral("Aggiungi &lo stesso"), "aggiungilostesso", row);
    m_goToButton = button(QStringLiteral("&Vai al libro"), "vaiallibro", row);
    m_retry = button(QStringLiteral("&Riprova"), "riprova", row);
    m_byHandButton = button(QStringLiteral("Scrivi a &mano"), "scriviamano", row);
    auto* close = button(QStringLiteral("C&hiudi"), "chiudi", row);
    for (QPushButton* each : {m_add, m_addAnyway, m_goToButton, m_retry, m_byHandButton, close})
        buttons->addWidget(each);
    m_add->setDefault(true);
    connect(m_add, &QPushButton::clicked, this, [this] { addShown(false); });
    connect(m_addAnyway, &QPushButton::clicked, this, [this] { addShown(true); });
    connect(m_goToButton, &QPushButton::clicked, this, &IsbnDialog::goToOffered);
    connect(m_retry, &QPushButton::clicked, this, &IsbnDialog::retry);
    connect(m_byHandButton, &QPushButton::clicked, this, &IsbnDialog::typeOffered);
    connect(close, &QPushButton::clicked, this, &IsbnDialog::reject);
    return row;
}

void IsbnDialog::enterPressed()
{
    const QString typed = m_isbn->text().trimmed();
    if (typed.isEmpty()) {
        if (!m_continuous->isChecked() && m_preview->holdsBook())
            addShown(false);
        return;
    }
    QString problem;
    const std::optional<QString> isbn13 = IsbnField::isbn13(typed, problem);
    if (!isbn13) {
        tell(problem);
        m_isbn->selectAll();
        return;
    }
    if (m_continuous->isChecked())
        queueScanned(*isbn13);
    else
        askOne(*isbn13);
}

void IsbnDialog::askOne(const QString& isbn13)
{
    m_isbn->selectAll();
    if (isbn13 == m_asked)
        return;
    if (m_preview->holdsBook() && m_preview->chosen().fields.value(QStringLiteral("isbn")) == isbn13) {
        addShown(false);
        return;
    }
    if (isbn13 == m_addedIsbn) {
        m_isbn->clear();
        tell(QStringLiteral("%1 è appena stato aggiunto: non viene aggiunto due volte.").arg(isbn13));
        return;
    }
    m_preview->clear();
    m_failed.clear();
    m_missing.clear();
    m_offered.reset();
    m_duplicate = false;
    m_asked = isbn13;
    tell(QStringLiteral("Ricerca di %1…").arg(isbn13));
    // A book the catalogue holds is named with no lookup.
    FoundShelf* shelf = &m_single;
    m_writer->ask([this, shelf, isbn13]() -> ShelfWriter::Then {
        std::optional<FoundShelf::Held> held;
        QString error;
        try {
            held = shelf->held(isbn13);
        } catch (const std::exception& refused) {
            error = problemOf(refused);
        }
        return [this, isbn13, held, error] { heldChecked(isbn13, held, error); };
    });
}

void IsbnDialog::heldChecked(const QString& isbn13, const std::optional<FoundShelf::Held>& held, const QString& error)
{
    if (isbn13 != m_asked)
        return;
    if (!error.isEmpty() || held) {
        m_asked.clear();
        if (held)
            offerBook(held->id);
        tell(held ? QStringLiteral("Già nel catalogo: %1. «Vai al libro» per andarci.").arg(held->text) : error);
        return;
    }
    m_lookup->lookUp({isbn13});
}

void IsbnDialog::queueScanned(const QString& isbn13)
{
    switch (m_scan->queue(isbn13)) {
    case IsbnScan::Queued::Yes:
        m_isbn->clear();
        tell(QStringLiteral("%1 in coda.").arg(isbn13));
        break;
    case IsbnScan::Queued::AlreadyListed:
        m_isbn->clear();
        tell(QStringLiteral("%1 è già nell'elenco: non viene aggiunto due volte.").arg(isbn13));
        break;
    case IsbnScan::Queued::Full:
        m_isbn->selectAll();
        tell(QStringLiteral("Una scansione tiene al massimo %1 ISBN: %2 non è in coda. Chiudi e riapri "
                            "Aggiungi da ISBN… per cominciarne un'altra.")
                 .arg(IsbnScan::maxIsbns)
                 .arg(isbn13));
        break;
    }
}

void IsbnDialog::found(const lookup::BookRecord& book)
{
    if (m_asked.isEmpty() || book.fields.value(QStringLiteral("isbn")) != m_asked)
        return;
    m_asked.clear();
    m_preview->show(book);
    QString text = QStringLiteral("Trovato su %1: Invio per aggiungerlo.").arg(book.service);
    if (book.editions() > 1)
        text += QStringLiteral(" %1 edizioni con questo ISBN: scegli quella giusta in Edizione.").arg(book.editions());
    tell(text);
    // A near duplicate is told before the user adds it, as soon as it is known.
    FoundShelf* shelf = &m_single;
    m_writer->ask([this, shelf, book]() -> ShelfWriter::Then {
        std::optional<FoundShelf::Held> held;
        try {
            held = shelf->held(book);
        } catch (const std::exception&) {
            // The file could not be read now: adding will tell why.
        }
        if (!held)
            return {};
        return [this, book, held] { nearlyHeld(book, *held); };
    });
}

void IsbnDialog::nearlyHeld(const lookup::BookRecord& book, const FoundShelf::Held& held)
{
    if (!m_preview->holdsBook() || m_preview->chosen().fields.value(QStringLiteral("isbn")) != book.fields.value(QStringLiteral("isbn")))
        return;
    m_duplicate = true;
    offerBook(held.id);
    tell(QStringLiteral("Trovato su %1, ma già nel catalogo: %2. «Vai al libro» per andarci, «Aggiungi lo stesso» "
                        "per aggiungerlo comunque.")
             .arg(book.service, held.text));
}

void IsbnDialog::notFound(const QString& isbn13)
{
    if (isbn13 != m_asked)
        return;
    m_asked.clear();
    m_missing = isbn13;
    tell(QStringLiteral("Nessun servizio conosce l'ISBN %1. «Scrivi a mano» per inserirlo nella griglia con "
                        "l'ISBN già scritto.")
             .arg(isbn13));
}

void IsbnDialog::failed(const QString& typed, const QString& message)
{
    if (m_asked.isEmpty() || typed != m_asked)
        return;
    m_asked.clear();
    m_failed = typed;
    tell(message + QStringLiteral(" Nulla è stato scritto: «Riprova» per cercarlo di nuovo."));
}

// The book is written on the writer's thread; until it is, Enter adds nothing more.
void IsbnDialog::addShown(bool evenIfDuplicate)
{
    if (!m_preview->holdsBook() || m_adding)
        return;
    m_adding = true;
    followButtons();
    const lookup::BookRecord book = m_preview->chosen();
    const std::string text = "aggiunta di «" + book.fields.value(QStringLiteral("titolo")).toStdString() + "» da ISBN";
    FoundShelf* shelf = &m_single;
    m_writer->ask([this, shelf, book, evenIfDuplicate, text]() -> ShelfWriter::Then {
        FoundShelf::Outcome outcome;
        QString error;
        auto step = std::make_shared<std::unique_ptr<catalogue::History::Step>>();
        try {
            outcome = shelf->add(book, evenIfDuplicate);
            if (outcome.kind == FoundShelf::Outcome::Kind::Added)
                *step = shelf->takeStep(text);
        } catch (const std::exception& refused) {
            error = problemOf(refused);
        }
        return [this, book, outcome, error, step] {
            m_adding = false;
            if (*step && m_history)
                m_history->recordStep(std::move(*step));
            if (!error.isEmpty())
                tell(QStringLiteral("Il libro non è stato aggiunto: %1").arg(error));
            else
                added(book, outcome);
        };
    });
}

void IsbnDialog::added(const lookup::BookRecord& book, const FoundShelf::Outcome& outcome)
{
    switch (outcome.kind) {
    case FoundShelf::Outcome::Kind::Added:
        ++m_booksAdded;
        m_addedIsbn = book.fields.value(QStringLiteral("isbn"));
        m_preview->clear();
        m_isbn->clear();
        m_duplicate = false;
        offerBook(outcome.id);
        tell(QStringLiteral("Aggiunto: %1.").arg(outcome.text));
        break;
    case FoundShelf::Outcome::Kind::Duplicate:
        m_duplicate = true;
        offerBook(outcome.id);
        tell(QStringLiteral("Già nel catalogo: %1. «Vai al libro» per andarci, «Aggiungi lo stesso» per "
                            "aggiungerlo comunque.")
                 .arg(outcome.text));
        break;
    case FoundShelf::Outcome::Kind::Refused:
        tell(QStringLiteral("Il libro non è stato aggiunto: %1").arg(outcome.text));
        break;
    }
    m_isbn->setFocus();
}

void IsbnDialog::tell(const QString& text)
{
    m_message->setText(text);
    followButtons();
}

void IsbnDialog::offerBook(std::int64_t id)
{
    m_offered = id;
    followButtons();
}

void IsbnDialog::retry()
{
    m_scan->retry();
    if (!m_failed.isEmpty()) {
        const QString again = m_failed;
        m_failed.clear();
        askOne(again);
    }
    followButtons();
}

void IsbnDialog::goToOffered()
{
    if (!m_offered || !mayClose())
        return;
    m_goTo = m_offered;
    endScan();
    accept();
}

void IsbnDialog::typeOffered()
{
    if (m_missing.isEmpty() || !mayClose())
        return;
    m_byHand = m_missing;
    endScan();
    accept();
}

void IsbnDialog::scanToggled(bool on)
{
    m_list->setVisible(on || !m_scan->entries().empty());
    if (on)
        tell(QStringLiteral("Scansione continua: ogni ISBN va in coda e il libro trovato è aggiunto da solo."));
    m_isbn->setFocus();
}

// The entry chosen in the list lends its book to "Vai al libro" and, not found,
// its ISBN to "Scrivi a mano".
void IsbnDialog::entryChosen()
{
    const int row = m_list->currentEntry();
    if (row < 0)
        return;
    const IsbnScan::Entry& entry = m_scan->entries().at(static_cast<std::size_t>(row));
    m_offered.reset();
    m_duplicate = false;
    if (entry.book != 0)
        m_offered = entry.book;
    m_missing = entry.state == IsbnScan::State::NotFound ? entry.isbn13 : QString();
    followButtons();
}

void IsbnDialog::entryChanged(int index)
{
    if (index == m_list->currentEntry())
        entryChosen();
    followButtons();
}

void IsbnDialog::followButtons()
{
    const bool failures = !m_failed.isEmpty() || m_scan->count(IsbnScan::State::NetworkError) > 0 ||
                          m_scan->count(IsbnScan::State::NotWritten) > 0;
    m_add->setEnabled(m_preview->holdsBook() && !m_duplicate && !m_adding);
    m_addAnyway->setVisible(m_duplicate && m_preview->holdsBook());
    m_goToButton->setEnabled(m_offered.has_value());
    m_retry->setEnabled(failures);
    m_byHandButton->setEnabled(!m_missing.isEmpty());
}

// The books of the scan become one step of Annulla when the dialog closes.
void IsbnDialog::endScan()
{
    m_writer->finish();
    const int books = m_scanned.added();
    if (books == 0)
        return;
    try {
        m_scanned.recordStep(books == 1 ? std::string("aggiunta di 1 libro da ISBN")
                                        : "aggiunta di " + std::to_string(books) + " libri da ISBN");
    } catch (const std::exception&) {
        // A step that cannot be kept leaves the books in the file, as added.
    }
    m_booksAdded += books;
}

int IsbnDialog::waiting() const
{
    return m_scan->count(IsbnScan::State::Waiting) + (m_asked.isEmpty() ? 0 : 1);
}

bool IsbnDialog::mayClose()
{
    QStringList lost;
    if (const int count = waiting(); count > 0)
        lost << (count == 1 ? QStringLiteral("1 ISBN aspetta ancora la risposta dei servizi e non sarà aggiunto.")
                            : QStringLiteral("%1 ISBN aspettano ancora la risposta dei servizi e non saranno aggiunti.")
                                  .arg(count));
    if (m_preview->holdsBook() && !m_duplicate)
        lost << QStringLiteral("Il libro trovato non è ancora stato aggiunto.");
    if (lost.isEmpty())
        return true;
    return m_services.confirm(lost.join(QLatin1Char(' ')) + QStringLiteral(" Chiudere lo stesso?"),
                              QStringLiteral("Aggiungi da ISBN"));
}

void IsbnDialog::reject()
{
    if (!mayClose())
        return;
    endScan();
    QDialog::reject();
}
