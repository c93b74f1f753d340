#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

#include <optional>

// An image made ready to be a book's cover: JPEG or PNG, kept as received unless
// taller than the catalogue keeps (then scaled down in its own format), with its
// type ("image/jpeg") for the file.
struct CoverImage {
    QByteArray bytes;
    QString type;
    QImage image; ///< decoded, to show

    static constexpr int tallest = 600; ///< pixels

    // The cover made of `data`; none, with `why` said in Italian, for bytes that are
    // no JPEG or PNG image, or no image at all.
    static std::optional<CoverImage> fromBytes(const QByteArray& data, QString& why);
    // The same for the file at `path`, refused too when it cannot be read or is far
    // larger than any cover.
    static std::optional<CoverImage> fromFile(const QString& path, QString& why);
    // An image handed over without its file (dropped from another program), kept as PNG.
    static std::optional<CoverImage> fromImage(const QImage& image, QString& why);
    // Bytes read back from the catalogue, to show.
    static QImage decode(const QByteArray& data);
};
