#include "ui/UpdateChecker.h"

#include "ui/VendorSite.h"

#include <QDesktopServices>
#include <QUrl>

UpdateChecker::UpdateChecker(QObject* parent)
    : QObject(parent), downloadUrl_(QLatin1String(vendorSite) + QStringLiteral("/download"))
{
}

void UpdateChecker::check()
{
}

void UpdateChecker::openDownload()
{
    QDesktopServices::openUrl(QUrl::fromUserInput(downloadUrl_));
}
