// The guide's window: the text from the program's resources in a read-only
// browser, and a search over it that wraps round and says what it found.
#include "guidewindow.h"

#include <QDialogButtonBox>
#include <QFile>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace {

const QString searchKeys = QStringLiteral("Invio o F3: successivo; Maiusc+Invio o Maiusc+F3: precedente");

} // namespace

QString guideHtml()
{
    QFile file(QStringLiteral(":/guida/guida.html"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll());
}

GuideWindow::GuideWindow(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("guida"));
    setWindowTitle(QStringLiteral("Guida di Gestione Dorvi"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(makeSearchRow());

    m_text = new QTextBrowser(this);
    m_text->setObjectName(QStringLiteral("testoguida"));
    m_text->setAccessibleName(QStringLiteral("Testo della guida"));
    // Tab leaves the text for the next control instead of walking its links.
    m_text->setTabChangesFocus(true);
    m_text->setOpenLinks(false);
    m_text->setHtml(guideHtml());
    layout->addWidget(m_text, 1);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    buttons->button(QDialogButtonBox::Close)->setText(QStringLiteral("&Chiudi"));
    buttons->button(QDialogButtonBox::Close)->setAutoDefault(false);
    buttons->button(QDialogButtonBox::Close)->setAccessibleName(QStringLiteral("Chiudi la guida"));
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::close);
    layout->addWidget(buttons);

    const auto shortcut = [this](const QKeySequence& keys, auto act) {
        connect(new QShortcut(keys, this), &QShortcut::activated, this, act);
    };
    shortcut(QKeySequence(Qt::Key_F3), [this] { findNext(false); });
    shortcut(QKeySequence(Qt::SHIFT | Qt::Key_F3), [this] { findNext(true); });
    shortcut(QKeySequence::Find, [this] {
        m_search->setFocus(Qt::ShortcutFocusReason);
        m_search->selectAll();
    });
    resize(720, 620);
    m_search->setFocus();
}

QWidget* GuideWindow::makeSearchRow()
{
    auto* row = new QWidget(this);
    auto* line = new QHBoxLayout(row);
    line->setContentsMargins(0, 0, 0, 0);
    auto* label = new QLabel(QStringLiteral("C&erca:"), row);
    m_search = new QLineEdit(row);
    m_search->setObjectName(QStringLiteral("cercaguida"));
    m_search->setAccessibleName(QStringLiteral("Cerca nella guida"));
    m_search->setAccessibleDescription(searchKeys);
    m_search->setPlaceholderText(QStringLiteral("una parola della guida"));
    m_search->setClearButtonEnabled(true);
    m_search->installEventFilter(this);
    label->setBuddy(m_search);
    connect(m_search, &QLineEdit::textEdited, this, &GuideWindow::findAsTyped);

    const auto button = [&](const QString& caption, const QString& name, bool backward) {
        auto* pressed = new QPushButton(caption, row);
        pressed->setAccessibleName(name);
        pressed->setAutoDefault(false);
        connect(pressed, &QPushButton::clicked, this, [this, backward] { findNext(backward); });
        return pressed;
    };
    m_outcome = new QLabel(row);
    m_outcome->setObjectName(QStringLiteral("esitoricerca"));
    m_outcome->setAccessibleName(QStringLiteral("Esito della ricerca"));
    line->addWidget(label);
    line->addWidget(m_search, 1);
    line->addWidget(button(QStringLiteral("&Precedente"), QStringLiteral("Trova il precedente"), true));
    line->addWidget(button(QStringLiteral("&Successivo"), QStringLiteral("Trova il successivo"), false));
    line->addWidget(m_outcome);
    return row;
}

// Return in the search field finds again instead of pressing a button of the
// window; with Shift it goes back.
bool GuideWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_search && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            findNext(key->modifiers().testFlag(Qt::ShiftModifier));
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

bool GuideWindow::findNext(bool backward)
{
    const QString wanted = m_search->text();
    if (wanted.trimmed().isEmpty()) {
        tell({});
        return false;
    }
    const QTextDocument::FindFlags flags = backward ? QTextDocument::FindBackward : QTextDocument::FindFlags();
    if (m_text->find(wanted, flags)) {
        tell({});
        return true;
    }
    // Past the last place the search goes on from the other end, as editors do.
    QTextCursor cursor = m_text->textCursor();
    cursor.movePosition(backward ? QTextCursor::End : QTextCursor::Start);
    m_text->setTextCursor(cursor);
    if (m_text->find(wanted, flags)) {
        tell(backward ? QStringLiteral("Ricominciato dalla fine") : QStringLiteral("Ricominciato dall'inizio"));
        return true;
    }
    tell(QStringLiteral("Non trovato"));
    return false;
}

// Each letter typed looks again from where the last match began, so the match
// grows with the word instead of jumping ahead.
void GuideWindow::findAsTyped()
{
    QTextCursor cursor = m_text->textCursor();
    cursor.setPosition(cursor.selectionStart());
    m_text->setTextCursor(cursor);
    findNext(false);
}

void GuideWindow::tell(const QString& outcome)
{
    m_outcome->setText(outcome);
    m_outcome->setAccessibleDescription(outcome);
    // The search field, which keeps the keyboard, says the outcome too.
    m_search->setAccessibleDescription(outcome.isEmpty() ? searchKeys : outcome);
}
