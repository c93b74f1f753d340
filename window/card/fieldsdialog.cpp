// The dialog of the fields. Its structure changes are the data layer's
// (catalogue/fieldchanges), each on a connection of its own that lives for that
// change; what the dialog adds is the questions, the safety copy, the undo history
// and the grid's column setting.
#include "fieldsdialog.h"

#include "columnname.h"
#include "columnview.h"
#include "connection.h"
#include "copykeeper.h"
#include "error.h"
#include "fieldhistory.h"
#include "listreturnkey.h"
#include "standardfields.h"
#include "windowservices.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFile>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

using catalogue::Error;
using catalogue::FieldInfo;

namespace {

QString quotedName(const QString& name)
{
    return QStringLiteral("«%1»").arg(name);
}

QString booksWithValue(long long books)
{
    if (books == 0)
        return QStringLiteral("Nessun libro ha un valore in questo campo.");
    if (books == 1)
        return QStringLiteral("Un libro ha un valore in questo campo, che andrà perso.");
    return QStringLiteral("%1 libri hanno un valore in questo campo, che andrà perso.")
        .arg(QLocale(QLocale::Italian, QLocale::Italy).toString(books));
}

template <typename Use>
void onCatalogue(const QString& path, bool writing, Use use)
{
    const std::string file = QFile::encodeName(path).toStdString();
    const catalogue::Connection connection =
        writing ? catalogue::Connection::openedForWriting(file) : catalogue::Connection::opened(file);
    use(connection.handle());
}

} // namespace

FieldsDialog::FieldsDialog(Host host, QWidget* parent) : QDialog(parent), m_host(std::move(host))
{
    setObjectName(QStringLiteral("campi"));
    setWindowTitle(QStringLiteral("Campi"));
    auto* layout = new QVBoxLayout(this);
    buildList();
    buildOwnFieldRow();
    auto* buttons = new QDialogButtonBox(this);
    QPushButton* up = buttons->addButton(QStringLiteral("S&u"), QDialogButtonBox::ActionRole);
    QPushButton* down = buttons->addButton(QStringLiteral("&Giù"), QDialogButtonBox::ActionRole);
    QPushButton* rename = buttons->addButton(QStringLiteral("&Rinomina…"), QDialogButtonBox::ActionRole);
    QPushButton* remove = buttons->addButton(QStringLiteral("&Elimina…"), QDialogButtonBox::ActionRole);
    QPushButton* close = buttons->addButton(QStringLiteral("C&hiudi"), QDialogButtonBox::RejectRole);
    connect(up, &QPushButton::clicked, this, [this] { moveField(selectedName(), -1); });
    connect(down, &QPushButton::clicked, this, [this] { moveField(selectedName(), 1); });
    connect(rename, &QPushButton::clicked, this, [this] { renameField(selectedName()); });
    connect(remove, &QPushButton::clicked, this, [this] { removeField(selectedName()); });
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    layout->addWidget(buttons);
    resize(620, 520);
    fill();
    countInBackground();
    m_list->setFocus();
}

void FieldsDialog::buildList()
{
    auto* layout = static_cast<QVBoxLayout*>(this->layout());
    auto* label = new QLabel(QStringLiteral("&Campi del catalogo, nell'ordine della griglia (spuntati: mostrati):"), this);
    layout->addWidget(label);
    m_list = new QTreeWidget(this);
    m_list->setObjectName(QStringLiteral("elencocampi"));
    m_list->setHeaderLabels({QStringLiteral("Campo"), QStringLiteral("Tipo"), QStringLiteral("Libri con un valore")});
    m_list->setRootIsDecorated(false);
    m_list->setAccessibleName(QStringLiteral("Campi del catalogo"));
    label->setBuddy(m_list);
    ListReturnKey::keep(m_list);
    layout->addWidget(m_list, 3);
    // A tick acts once the list has finished telling of it: acting fills the list anew.
    connect(m_list, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem* item, int column) {
        if (m_filling || column != 0)
            return;
        const QString name = item->text(0);
        const bool shown = item->checkState(0) == Qt::Checked;
        QTimer::singleShot(0, this, [this, name, shown] { setShown(name, shown); });
    });

    auto* standardLabel = new QLabel(QStringLiteral("Campi &standard da aggiungere (spuntare):"), this);
    layout->addWidget(standardLabel);
    m_standard = new QListWidget(this);
    m_standard->setObjectName(QStringLiteral("campistandard"));
    m_standard->setAccessibleName(QStringLiteral("Campi standard da aggiungere"));
    standardLabel->setBuddy(m_standard);
    ListReturnKey::keep(m_standard);
    layout->addWidget(m_standard, 2);
    connect(m_standard, &QListWidget::itemChanged, this, [this](QListWidgetItem* item) {
        if (!m_filling && item->checkState() == Qt::Checked)
            QTimer::singleShot(0, this, [this, name = item->text()] { addStandardField(name); });
    });
}

void FieldsDialog::buildOwnFieldRow()
{
    auto* row = new QGridLayout;
    auto* nameLabel = new QLabel(QStringLiteral("&Nuovo campo:"), this);
    m_name = new QLineEdit(this);
    m_name->setObjectName(QStringLiteral("nomecampo"));
    nameLabel->setBuddy(m_name);
    auto* kindLabel = new QLabel(QStringLiteral("&Tipo:"), this);
    m_kind = new QComboBox(this);
    m_kind->setObjectName(QStringLiteral("tipocampo"));
    for (catalogue::OwnKind kind : catalogue::ownKinds)
        m_kind->addItem(QString::fromUtf8(catalogue::kindName(kind).data(), catalogue::kindName(kind).size()),
                        static_cast<int>(kind));
    kindLabel->setBuddy(m_kind);
    auto* add = new QPushButton(QStringLiteral("&Aggiungi"), this);
    add->setObjectName(QStringLiteral("aggiungicampo"));
    connect(add, &QPushButton::clicked, this, [this] {
        if (addOwnField(m_name->text().trimmed(), static_cast<catalogue::OwnKind>(m_kind->currentData().toInt())))
            m_name->clear();
    });
    // Return in the name field presses "Aggiungi", the next button of the dialog's
    // focus chain (a returnPressed connection would add the field twice).
    row->addWidget(nameLabel, 0, 0);
    row->addWidget(m_name, 0, 1);
    row->addWidget(kindLabel, 0, 2);
    row->addWidget(m_kind, 0, 3);
    row->addWidget(add, 0, 4);
    static_cast<QVBoxLayout*>(layout())->addLayout(row);
}

// The fields as the file has them now, in the grid's order; the selection stays
// on its field. The books are counted once, in the background when the dialog
// opens: a change here alters no other field's count.
void FieldsDialog::fill()
{
    const QString selected = selectedName();
    m_filling = true;
    m_list->clear();
    m_standard->clear();
    m_fields.clear();
    try {
        onCatalogue(m_host.cataloguePath, false,
                    [&](sqlite3* db) { m_fields = catalogue::listFields(db, false); });
    } catch (const Error& error) {
        m_filling = false;
        m_host.services.showError(error);
        return;
    }
    QStringList names;
    for (const FieldInfo& field : m_fields)
        names << QString::fromStdString(field.name);
    for (const ColumnLayout::Placed& placed : ColumnLayout::load(m_host.cataloguePath).arrange(names)) {
        const FieldInfo& field = m_fields[static_cast<std::size_t>(names.indexOf(placed.name))];
        auto* item = new QTreeWidgetItem(m_list, {placed.name, QString::fromStdString(field.kind),
                                                  countText(field.name)});
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(0, placed.shown ? Qt::Checked : Qt::Unchecked);
        // A screen reader says nothing of an empty tick: the row says it.
        item->setData(0, Qt::AccessibleTextRole,
                      placed.shown ? placed.name : QStringLiteral("%1, non mostrato").arg(placed.name));
        item->setTextAlignment(2, Qt::AlignRight | Qt::AlignVCenter);
        if (placed.name == selected)
            m_list->setCurrentItem(item);
    }
    for (const catalogue::StandardField& field : catalogue::standardFields) {
        const QString name = QString::fromUtf8(field.name.data(), field.name.size());
        if (containsColumnName(names, name))
            continue;
        auto* item = new QListWidgetItem(name, m_standard);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Unchecked);
    }
    m_list->resizeColumnToContents(0);
    m_list->resizeColumnToContents(1); // "testo su più righe" whole
    if (!m_list->currentItem() && m_list->topLevelItemCount() > 0)
        m_list->setCurrentItem(m_list->topLevelItem(0));
    m_filling = false;
}

void FieldsDialog::countInBackground()
{
    std::vector<std::string> names;
    for (const FieldInfo& field : m_fields)
        names.push_back(field.name);
    m_counting.start(m_host.cataloguePath, std::move(names));
}

void FieldsDialog::showCounts(std::optional<FieldCounting::Counts> counts)
{
    m_counted = true;
    m_countFailed = !counts;
    if (counts)
        m_counts = std::move(*counts);
    for (int row = 0; row < m_list->topLevelItemCount(); ++row) {
        QTreeWidgetItem* item = m_list->topLevelItem(row);
        item->setText(2, countText(item->text(0).toStdString()));
    }
}

// Once the counts are in, a field they lack was added here and holds nothing yet.
QString FieldsDialog::countText(const std::string& name) const
{
    if (!m_counted)
        return QStringLiteral("…");
    if (m_countFailed)
        return QStringLiteral("non contati");
    const auto counted = m_counts.find(name);
    return QLocale(QLocale::Italian, QLocale::Italy).toString(counted == m_counts.end() ? 0 : counted->second);
}

QString FieldsDialog::selectedName() const
{
    const QTreeWidgetItem* item = m_list ? m_list->currentItem() : nullptr;
    return item ? item->text(0) : QString();
}

// One change of the file, on a connection of its own; the list is read anew
// whatever came of it. A counting still running is stopped first, since its read
// lock would hold the change up, and made again for the fields as they are then.
template <typename Write>
bool FieldsDialog::write(Write change)
{
    m_counting.stop();
    bool done = false;
    try {
        onCatalogue(m_host.cataloguePath, true, [&](sqlite3* db) { change(db); });
        m_changed = done = true;
    } catch (const Error& error) {
        m_host.services.showError(error);
    }
    if (done && m_host.fieldsChanged)
        m_host.fieldsChanged();
    fill();
    if (!m_counted)
        countInBackground();
    return done;
}

bool FieldsDialog::addStandardField(const QString& name)
{
    const catalogue::StandardField* field = catalogue::findStandardField(name.toStdString());
    if (!field)
        return false;
    const std::string type(field->type);
    return write([&](sqlite3* db) {
        catalogue::addField(db, field->name, type);
        m_host.history->recordStep(catalogue::FieldHistory::added(m_host.cataloguePath.toStdString(),
                                                                   std::string(field->name), type,
                                                                   m_host.relist));
    });
}

bool FieldsDialog::addOwnField(const QString& name, catalogue::OwnKind kind)
{
    const std::string type(catalogue::declaredType(kind));
    return write([&](sqlite3* db) {
        if (const auto reason = catalogue::refusedName(name.toStdString(), catalogue::catalogueColumns(db)))
            throw Error(catalogue::ErrorNumber::InputError, *reason);
        catalogue::addField(db, name.toStdString(), type);
        m_host.history->recordStep(catalogue::FieldHistory::added(m_host.cataloguePath.toStdString(),
                                                                   name.toStdString(), type, m_host.relist));
    });
}

bool FieldsDialog::renameField(const QString& name)
{
    if (name.isEmpty())
        return false;
    try {
        onCatalogue(m_host.cataloguePath, false,
                    [&](sqlite3* db) { catalogue::checkChangeable(db, name.toStdString(), true); });
    } catch (const Error& error) {
        m_host.services.showError(error);
        return false;
    }
    const QString to = m_host.services
                           .prompt(QStringLiteral("Nuovo nome del campo %1:").arg(quotedName(name)),
                                   QStringLiteral("Rinomina campo"))
                           .trimmed();
    if (to.isEmpty() || to == name)
        return false;
    const bool done = write([&](sqlite3* db) {
        catalogue::renameField(db, name.toStdString(), to.toStdString());
        m_host.history->recordStep(catalogue::FieldHistory::renamed(
            m_host.cataloguePath.toStdString(), name.toStdString(), to.toStdString(), m_host.relist));
    });
    if (done) {
        if (auto counted = m_counts.extract(name.toStdString())) {
            counted.key() = to.toStdString();
            m_counts.insert(std::move(counted));
        }
        // The grid's setting follows the field under its new name.
        ColumnLayout layout = ColumnLayout::load(m_host.cataloguePath);
        for (QStringList* names : {&layout.order, &layout.hidden}) {
            for (QString& kept : *names) {
                if (sameColumnName(kept, name))
                    kept = to;
            }
        }
        layout.save(m_host.cataloguePath);
        fill();
    }
    return done;
}

// Refusals come before the question, the question names how many books lose a
// value, and the safety copy is made only once the user has agreed.
bool FieldsDialog::removeField(const QString& name)
{
    if (name.isEmpty())
        return false;
    long long books = 0;
    try {
        onCatalogue(m_host.cataloguePath, false,
                    [&](sqlite3* db) { books = catalogue::checkChangeable(db, name.toStdString(), false); });
    } catch (const Error& error) {
        m_host.services.showError(error);
        return false;
    }
    const QString question = QStringLiteral("Eliminare il campo %1 dal catalogo?\n%2\nPrima si fa una copia di "
                                            "sicurezza del catalogo, e Annulla (Ctrl+Z, nella modalità Gestione) "
                                            "rimette il campo con i suoi valori.")
                                 .arg(quotedName(name), booksWithValue(books));
    if (!m_host.services.confirm(question, QStringLiteral("Elimina campo")))
        return false;
    m_host.copies.copyBeforeChange(catalogue::beforeFieldRemoval(name.toStdString()));
    return write([&](sqlite3* db) {
        catalogue::KeptColumn kept = catalogue::removeField(db, name.toStdString());
        m_counts.erase(kept.name);
        m_host.history->recordStep(catalogue::FieldHistory::removed(m_host.cataloguePath.toStdString(),
                                                                     std::move(kept), m_host.relist));
    });
}

bool FieldsDialog::shown(const QString& name) const
{
    const ColumnLayout layout = ColumnLayout::load(m_host.cataloguePath);
    return !containsColumnName(layout.hidden, name);
}

// At least one column stays on show: a grid with none could not be used.
void FieldsDialog::setShown(const QString& name, bool shown)
{
    ColumnLayout layout = ColumnLayout::load(m_host.cataloguePath);
    layout.hidden.removeAll(name);
    if (!shown)
        layout.hidden << name;
    QStringList names;
    for (const FieldInfo& field : m_fields)
        names << QString::fromStdString(field.name);
    const auto placed = layout.arrange(names);
    if (std::none_of(placed.begin(), placed.end(), [](const ColumnLayout::Placed& p) { return p.shown; })) {
        m_host.services.information(QStringLiteral("La griglia mostra almeno un campo."), QStringLiteral("Campi"));
        fill();
        return;
    }
    m_host.columns ? m_host.columns->setLayout(layout) : layout.save(m_host.cataloguePath);
    fill();
}

void FieldsDialog::moveField(const QString& name, int steps)
{
    ColumnLayout layout = ColumnLayout::load(m_host.cataloguePath);
    QStringList names;
    for (const FieldInfo& field : m_fields)
        names << QString::fromStdString(field.name);
    QStringList order;
    for (const ColumnLayout::Placed& placed : layout.arrange(names))
        order << placed.name;
    const qsizetype from = order.indexOf(name);
    if (from < 0)
        return;
    const qsizetype to = std::clamp<qsizetype>(from + steps, 0, order.size() - 1);
    order.move(from, to);
    layout.order = order;
    m_host.columns ? m_host.columns->setLayout(layout) : layout.save(m_host.cataloguePath);
    fill();
}
