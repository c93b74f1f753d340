// The book found by ISBN, shown before it is added: fields, cover, service and
// the choice among several editions.
#include "bookpreview.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QVBoxLayout>

namespace {

struct FieldLabel {
    const char* field;
    const char* label;
};

constexpr FieldLabel shownFields[] = {
    {"autore", "Autore"}, {"titolo", "Titolo"},   {"editore", "Editore"}, {"anno", "Anno"},   {"pagine", "Pagine"},
    {"collana", "Collana"}, {"numero", "Numero"}, {"lingua", "Lingua"},   {"isbn", "ISBN"},
};

constexpr int coverHeight = 180;

} // namespace

BookPreview::BookPreview(QWidget* parent) : QWidget(parent)
{
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    m_cover = new QLabel(this);
    m_cover->setObjectName(QStringLiteral("copertina"));
    m_cover->setFixedSize(coverHeight * 2 / 3, coverHeight);
    m_cover->setAlignment(Qt::AlignCenter);
    m_cover->setAccessibleName(QStringLiteral("Copertina"));
    row->addWidget(m_cover);

    auto* column = new QVBoxLayout;
    m_fields = new QPlainTextEdit(this);
    m_fields->setObjectName(QStringLiteral("librotrovato"));
    m_fields->setReadOnly(true);
    m_fields->setTabChangesFocus(true);
    m_fields->setAccessibleName(QStringLiteral("Libro trovato"));
    column->addWidget(m_fields);
    m_editionsLabel = new QLabel(QStringLiteral("&Edizione:"), this);
    m_editions = new QComboBox(this);
    m_editions->setObjectName(QStringLiteral("edizione"));
    m_editions->setAccessibleName(QStringLiteral("Edizione"));
    m_editionsLabel->setBuddy(m_editions);
    auto* editions = new QHBoxLayout;
    editions->addWidget(m_editionsLabel);
    editions->addWidget(m_editions, 1);
    column->addLayout(editions);
    row->addLayout(column, 1);
    connect(m_editions, &QComboBox::currentIndexChanged, this, [this] { showEdition(); });
    clear();
}

void BookPreview::show(const lookup::BookRecord& book)
{
    m_book = book;
    m_holds = true;
    {
        const QSignalBlocker quiet(m_editions);
        m_editions->clear();
        for (int i = 0; i < book.editions(); ++i)
            m_editions->addItem(editionText(book.edition(i)));
        m_editions->setCurrentIndex(0);
    }
    const bool several = book.editions() > 1;
    m_editions->setVisible(several);
    m_editionsLabel->setVisible(several);
    m_editions->setAccessibleDescription(
        several ? QStringLiteral("%1 edizioni con questo ISBN: scegli quella da aggiungere").arg(book.editions())
                : QString());
    QPixmap cover;
    if (!book.cover.isEmpty() && cover.loadFromData(book.cover)) {
        m_cover->setPixmap(cover.scaled(m_cover->size(), Qt::KeepAspectRatio, Qt::SmoothTransformation));
        m_cover->setAccessibleDescription(QStringLiteral("Copertina trovata"));
    } else {
        m_cover->setPixmap({});
        m_cover->setText(QStringLiteral("Nessuna copertina"));
        m_cover->setAccessibleDescription(QStringLiteral("Nessuna copertina"));
    }
    showEdition();
}

void BookPreview::clear()
{
    m_book = {};
    m_holds = false;
    m_fields->clear();
    m_cover->setPixmap({});
    m_cover->clear();
    m_editions->clear();
    m_editions->hide();
    m_editionsLabel->hide();
}

lookup::BookRecord BookPreview::chosen() const
{
    return m_book.edition(m_editions->currentIndex());
}

void BookPreview::showEdition()
{
    if (!m_holds)
        return;
    const lookup::BookRecord book = chosen();
    QString text = fieldsText(book);
    text += QStringLiteral("\nDa: %1").arg(book.service);
    text += book.cover.isEmpty() ? QStringLiteral(", senza copertina") : QStringLiteral(", con la copertina");
    m_fields->setPlainText(text);
}

QString BookPreview::fieldsText(const lookup::BookRecord& book)
{
    QStringList lines;
    for (const FieldLabel& shown : shownFields) {
        const QString value = book.fields.value(QLatin1String(shown.field));
        if (!value.isEmpty())
            lines << QStringLiteral("%1: %2").arg(QLatin1String(shown.label), value);
    }
    return lines.join(QLatin1Char('\n'));
}

QString BookPreview::editionText(const lookup::BookRecord& book)
{
    QStringList parts;
    for (const char* field : {"editore", "anno", "collana"})
        if (book.has(QLatin1String(field)))
            parts << book.fields.value(QLatin1String(field));
    if (book.has(QStringLiteral("pagine")))
        parts << QStringLiteral("%1 pagine").arg(book.fields.value(QStringLiteral("pagine")));
    const QString title = book.fields.value(QStringLiteral("titolo"));
    return parts.isEmpty() ? title : QStringLiteral("%1 (%2)").arg(title, parts.join(QStringLiteral(", ")));
}
