// Turning a file or a dropped image into a cover: only JPEG and PNG are taken, and
// an image taller than the catalogue keeps is scaled down before it is stored.
#include "coverimage.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QImageWriter>

namespace {

// No cover comes near this; a larger file is not read into memory at all.
constexpr qint64 largestFile = 32 * 1024 * 1024;

QString notAnImage()
{
    return QStringLiteral("Il file non è un'immagine JPEG o PNG: la copertina non è stata cambiata.");
}

QString typeOf(const QByteArray& format)
{
    return format == "png" ? QStringLiteral("image/png") : QStringLiteral("image/jpeg");
}

QByteArray encoded(const QImage& image, const QByteArray& format)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    if (format == "jpeg")
        writer.setQuality(90);
    return writer.write(image) ? bytes : QByteArray();
}

} // namespace

std::optional<CoverImage> CoverImage::fromBytes(const QByteArray& data, QString& why)
{
    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setAutoTransform(true);
    const QByteArray format = reader.format();
    if (format != "jpeg" && format != "png") {
        why = notAnImage();
        return std::nullopt;
    }
    const QImage image = reader.read();
    if (image.isNull() || image.width() < 1 || image.height() < 1) {
        why = notAnImage();
        return std::nullopt;
    }
    if (image.height() <= tallest)
        return CoverImage{data, typeOf(format), image};
    const QImage scaled = image.scaledToHeight(tallest, Qt::SmoothTransformation);
    const QByteArray bytes = encoded(scaled, format);
    if (bytes.isEmpty()) {
        why = QStringLiteral("L'immagine non ha potuto essere ridotta: la copertina non è stata cambiata.");
        return std::nullopt;
    }
    return CoverImage{bytes, typeOf(format), scaled};
}

std::optional<CoverImage> CoverImage::fromFile(const QString& path, QString& why)
{
    QFile file(path);
    const QString name = QFileInfo(path).fileName();
    if (!file.open(QIODevice::ReadOnly)) {
        why = QStringLiteral("Il file «%1» non può essere letto: %2").arg(name, file.errorString());
        return std::nullopt;
    }
    if (file.size() > largestFile) {
        why = QStringLiteral("Il file «%1» è troppo grande per essere una copertina (oltre 32 MB).").arg(name);
        return std::nullopt;
    }
    std::optional<CoverImage> cover = fromBytes(file.readAll(), why);
    if (!cover && why == notAnImage())
        why = QStringLiteral("Il file «%1» non è un'immagine JPEG o PNG: la copertina non è stata cambiata.").arg(name);
    return cover;
}

std::optional<CoverImage> CoverImage::fromImage(const QImage& image, QString& why)
{
    if (image.isNull()) {
        why = notAnImage();
        return std::nullopt;
    }
    return fromBytes(encoded(image, "png"), why);
}

QImage CoverImage::decode(const QByteArray& data)
{
    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setAutoTransform(true);
    return reader.read();
}
