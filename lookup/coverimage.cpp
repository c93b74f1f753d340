// Covers as received from the services: placeholders and non-images refused,
// large images scaled down before they reach the catalogue file.
#include "coverimage.h"

#include <QBuffer>
#include <QImage>
#include <QImageReader>

namespace lookup {

namespace {

// Decoding a hostile header that claims a huge image must not take the memory.
constexpr int maxDecodedSide = 8000;
constexpr int maxDecodedMegabytes = 128;

} // namespace

CoverImage CoverImage::fromReceived(const QByteArray& received)
{
    QBuffer buffer;
    buffer.setData(received);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setAllocationLimit(maxDecodedMegabytes);
    const QByteArray format = reader.format().toLower();
    const QSize announced = reader.size();
    if (format.isEmpty() || (announced.isValid() &&
                             (announced.width() > maxDecodedSide || announced.height() > maxDecodedSide)))
        return {};
    const bool jpeg = format == "jpeg" || format == "jpg";
    const bool png = format == "png";
    const bool keptAsReceived = (jpeg || png) && announced.isValid() && announced.height() <= maxHeight;
    // A JPEG kept as received is only checked: decoded at an eighth of its size,
    // libjpeg still reads every block of it but spares the pixels' own work.
    if (keptAsReceived && jpeg)
        reader.setScaledSize(QSize((announced.width() + 7) / 8, (announced.height() + 7) / 8));
    const QImage image = reader.read();
    const QSize size = keptAsReceived ? announced : image.size();
    if (image.isNull() || size.width() < minSide || size.height() < minSide)
        return {};
    if (keptAsReceived)
        return {received, jpeg ? QStringLiteral("image/jpeg") : QStringLiteral("image/png")};
    const QImage fitted = image.height() > maxHeight
        ? image.scaledToHeight(maxHeight, Qt::SmoothTransformation)
        : image;
    QByteArray encoded;
    QBuffer out(&encoded);
    out.open(QIODevice::WriteOnly);
    if (!fitted.save(&out, jpeg ? "JPEG" : "PNG", jpeg ? 88 : -1))
        return {};
    return {encoded, jpeg ? QStringLiteral("image/jpeg") : QStringLiteral("image/png")};
}

} // namespace lookup
