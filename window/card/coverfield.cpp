// The cover on the book card. It reads and writes the covers' table through the
// catalogue's shelf of covers, a book at a time, so the grid's columns never carry
// an image; every change is recorded as its own step of Annulla.
#include "coverfield.h"

#include "coverhistory.h"
#include "coverimage.h"
#include "error.h"
#include "windowservices.h"

#include <QClipboard>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

namespace {

constexpr int shownHeight = 220;

QString title() { return QStringLiteral("Copertina"); }

// The first local file among those dropped, or an image handed over as such.
bool offersCover(const QMimeData* data)
{
    if (data->hasImage())
        return true;
    for (const QUrl& url : data->urls()) {
        if (url.isLocalFile())
            return true;
    }
    return false;
}

} // namespace

CoverField::CoverField(WindowServices& services, const QString& cataloguePath,
                       std::shared_ptr<catalogue::History> history, bool editable, QWidget* parent)
    : QWidget(parent), m_services(services),
      m_shelf(std::make_unique<catalogue::CoverShelf>(cataloguePath.toStdString(), std::move(history))),
      m_editable(editable), m_picture(new QLabel(this)),
      m_choose(new QPushButton(QStringLiteral("Sce&gli copertina…"), this)),
      m_remove(new QPushButton(QStringLiteral("&Togli copertina"), this))
{
    setObjectName(QStringLiteral("copertina"));
    m_picture->setObjectName(QStringLiteral("immaginecopertina"));
    m_picture->setAccessibleName(QStringLiteral("Copertina"));
    m_picture->setFocusPolicy(Qt::StrongFocus);
    m_picture->setAlignment(Qt::AlignCenter);
    m_picture->setMinimumHeight(shownHeight / 2);
    m_picture->installEventFilter(this);
    m_choose->setObjectName(QStringLiteral("sceglicopertina"));
    m_choose->setAccessibleName(QStringLiteral("Scegli copertina"));
    m_remove->setObjectName(QStringLiteral("toglicopertina"));
    m_remove->setAccessibleName(QStringLiteral("Togli copertina"));
    for (QPushButton* button : {m_choose, m_remove})
        button->setAutoDefault(false);
    connect(m_choose, &QPushButton::clicked, this, &CoverField::chooseFile);
    connect(m_remove, &QPushButton::clicked, this, &CoverField::removeCover);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_choose);
    buttons->addWidget(m_remove);
    buttons->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_picture);
    layout->addLayout(buttons);
    setTabOrder(m_picture, m_choose);
    setTabOrder(m_choose, m_remove);
    show(QImage());
}

CoverField::~CoverField() = default;

void CoverField::showBook(std::optional<std::int64_t> key)
{
    m_book = key;
    m_bytes.clear();
    m_type.clear();
    QImage image;
    if (key) {
        try {
            if (const std::optional<catalogue::Cover> cover = m_shelf->cover(*key)) {
                m_bytes = QByteArray::fromStdString(cover->image);
                m_type = QString::fromStdString(cover->type);
                image = CoverImage::decode(m_bytes);
            }
        } catch (const catalogue::Error&) {
            // An unreadable file leaves the card without a cover; the fields say why.
        }
    }
    show(image);
}

void CoverField::show(const QImage& image)
{
    m_image = image;
    if (image.isNull()) {
        m_picture->setPixmap(QPixmap());
        m_picture->setText(m_bytes.isEmpty() ? QStringLiteral("Nessuna copertina")
                                             : QStringLiteral("Copertina non leggibile"));
        m_picture->setAccessibleDescription(m_picture->text());
    } else {
        const QImage shown = image.height() > shownHeight ? image.scaledToHeight(shownHeight, Qt::SmoothTransformation)
                                                          : image;
        m_picture->setPixmap(QPixmap::fromImage(shown));
        m_picture->setAccessibleDescription(
            QStringLiteral("Copertina di %1 × %2 pixel; Ctrl+C la copia").arg(image.width()).arg(image.height()));
    }
    refreshButtons();
}

void CoverField::refreshButtons()
{
    m_choose->setEnabled(m_editable && m_book.has_value());
    m_remove->setEnabled(m_editable && m_book.has_value() && !m_bytes.isEmpty());
}

void CoverField::chooseFile()
{
    if (!m_editable || !m_book)
        return;
    const QString path = m_services.openFileName(QStringLiteral("Scegli copertina"),
                                                 QStringLiteral("Immagini JPEG o PNG (*.jpg *.jpeg *.png)"));
    if (!path.isEmpty())
        setFromFile(path);
}

bool CoverField::setFromFile(const QString& path)
{
    QString why;
    const std::optional<CoverImage> cover = CoverImage::fromFile(path, why);
    return setCover(cover, why, QStringLiteral("file ") + QFileInfo(path).fileName());
}

bool CoverField::setFromImage(const QImage& image)
{
    QString why;
    const std::optional<CoverImage> cover = CoverImage::fromImage(image, why);
    return setCover(cover, why, QStringLiteral("immagine trascinata"));
}

bool CoverField::setCover(const std::optional<CoverImage>& cover, const QString& why, const QString& source)
{
    if (!m_editable || !m_book)
        return false;
    if (!cover)
        return fail(why);
    try {
        m_shelf->put(*m_book, cover->bytes.toStdString(), cover->type.toStdString(), source.toStdString());
    } catch (const catalogue::Error& error) {
        m_services.showError(error);
        showBook(m_book);
        return false;
    }
    m_bytes = cover->bytes;
    m_type = cover->type;
    show(cover->image);
    return true;
}

bool CoverField::fail(const QString& why)
{
    m_services.information(why, title());
    return false;
}

// No question: the cover comes back with Annulla.
void CoverField::removeCover()
{
    if (!m_editable || !m_book || m_bytes.isEmpty())
        return;
    try {
        m_shelf->take(*m_book);
    } catch (const catalogue::Error& error) {
        m_services.showError(error);
    }
    showBook(m_book);
    if (!m_remove->isEnabled())
        m_choose->setFocus();
}

void CoverField::copyImage()
{
    if (m_image.isNull())
        return;
    auto* data = new QMimeData;
    data->setImageData(m_image);
    if (!m_type.isEmpty())
        data->setData(m_type, m_bytes);
    QGuiApplication::clipboard()->setMimeData(data);
}

void CoverField::acceptDropsOn(QWidget* card)
{
    card->setAcceptDrops(true);
    card->installEventFilter(this);
    setAcceptDrops(true);
    installEventFilter(this);
}

bool CoverField::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_picture && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->matches(QKeySequence::Copy)) {
        copyImage();
        return true;
    }
    if (event->type() == QEvent::DragEnter || event->type() == QEvent::DragMove) {
        auto* drag = static_cast<QDragMoveEvent*>(event);
        if (m_editable && m_book && offersCover(drag->mimeData())) {
            drag->acceptProposedAction();
            return true;
        }
    } else if (event->type() == QEvent::Drop) {
        auto* drop = static_cast<QDropEvent*>(event);
        const QMimeData* data = drop->mimeData();
        if (m_editable && m_book && offersCover(data)) {
            drop->acceptProposedAction();
            bool fromFile = false;
            for (const QUrl& url : data->urls()) {
                if (url.isLocalFile() && !fromFile) {
                    fromFile = true;
                    setFromFile(url.toLocalFile());
                }
            }
            if (!fromFile)
                setFromImage(qvariant_cast<QImage>(data->imageData()));
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}
