#pragma once

#include <QByteArray>
#include <QString>

namespace lookup {

// An image received as a cover, checked and made ready to store.
struct CoverImage {
    QByteArray bytes; ///< JPEG or PNG; empty when what was received is no cover
    QString type;     ///< "image/jpeg" or "image/png"

    static constexpr int maxHeight = 600;
    static constexpr int minSide = 10;

    // A cover from the bytes received: none when they are not a decodable image
    // or the image is smaller than 10×10 (a service's placeholder). A JPEG or PNG
    // no higher than 600 pixels is kept as received; a higher one is scaled down
    // to 600 pixels, and any other format is stored as PNG.
    static CoverImage fromReceived(const QByteArray& received);
    bool isNull() const { return bytes.isEmpty(); }
};

} // namespace lookup
