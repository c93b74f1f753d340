// The answers of the window services that a driver without a user never shows.
#include "windowservices.h"

namespace {

class UncancelledProgress : public Progress {
public:
    bool advance(qint64) override { return true; }
};

} // namespace

QString WindowServices::saveFileName(const QString&, const QString&, const QString&)
{
    return QString();
}

QString WindowServices::openFileName(const QString&, const QString&)
{
    return QString();
}

std::unique_ptr<Progress> WindowServices::progress(const QString&, qint64)
{
    return std::make_unique<UncancelledProgress>();
}

int WindowServices::runDialog(QDialog&)
{
    return 0; // QDialog::Rejected
}

void WindowServices::openFolder(const QString&)
{
}

void WindowServices::printPreview(const QPageLayout&, const std::function<void(QPrinter&)>&)
{
}
