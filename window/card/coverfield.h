#pragma once

#include <QWidget>

#include <cstdint>
#include <memory>
#include <optional>

struct CoverImage;
class QLabel;
class QPushButton;
class WindowServices;

namespace catalogue {
class CoverShelf;
class History;
}

// The cover on the book card: the image of the book shown, "Scegli copertina…" to
// set it from a JPEG or PNG file, "Togli copertina" to take it away, an image
// dropped on the card to set it, and Ctrl+C on the image to copy it. Each change is
// written at once and is one step of Annulla; outside Gestione it only shows.
class CoverField : public QWidget {
    Q_OBJECT
public:
    CoverField(WindowServices& services, const QString& cataloguePath, std::shared_ptr<catalogue::History> history,
               bool editable, QWidget* parent = nullptr);
    ~CoverField() override;

    // Shows the cover of the book `key`; nothing on none (the new book's line).
    void showBook(std::optional<std::int64_t> key);

    QLabel* picture() const { return m_picture; }
    QPushButton* chooseButton() const { return m_choose; }
    QPushButton* removeButton() const { return m_remove; }

    void chooseFile();
    void removeCover();
    // Sets the cover from a file or from an image handed over; false, with the user
    // told why and nothing written, when it cannot be a cover.
    bool setFromFile(const QString& path);
    bool setFromImage(const QImage& image);
    void copyImage();

    // Drops on the card (`card`, this field's window) set the cover.
    void acceptDropsOn(QWidget* card);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool setCover(const std::optional<CoverImage>& cover, const QString& why, const QString& source);
    void show(const QImage& image);
    void refreshButtons();
    bool fail(const QString& why);

    WindowServices& m_services;
    std::unique_ptr<catalogue::CoverShelf> m_shelf;
    bool m_editable;
    std::optional<std::int64_t> m_book;
    QByteArray m_bytes;
    QString m_type;
    QImage m_image;
    QLabel* m_picture;
    QPushButton* m_choose;
    QPushButton* m_remove;
};
