#include "ui/UpdateChecker.h"

#include <QDesktopServices>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QRegularExpression>
#include <QVersionNumber>

#include <optional>

namespace {

const QVersionNumber runningVersion(1, 1);
// A real answer is a few dozen bytes; anything far larger is cut off rather than buffered.
constexpr qint64 maxBody = 64 * 1024;
constexpr qsizetype maxVersionText = 32;

// A dotted version made of numbers only ("1.2", "1.10.3"); anything else is no version.
std::optional<QVersionNumber> parseVersion(const QString& text)
{
    static const QRegularExpression dotted(QStringLiteral("^[0-9]+(\\.[0-9]+)*$"));
    if (text.size() > maxVersionText || !dotted.match(text).hasMatch())
        return std::nullopt;
    qsizetype end = 0;
    const QVersionNumber version = QVersionNumber::fromString(text, &end);
    // fromString stops early at a segment too large for an int.
    if (end != text.size())
        return std::nullopt;
    return version;
}

// The page is handed to the desktop's default handler, so only a web address will do: a
// file:, javascript: or custom-scheme address from the server would start something else.
bool isWebAddress(const QString& text)
{
    const QUrl url(text, QUrl::StrictMode);
    return url.isValid() && !url.host().isEmpty()
        && (url.scheme() == QLatin1String("https") || url.scheme() == QLatin1String("http"));
}

QUrl vendorSite()
{
    const QString override = qEnvironmentVariable("VIDLET_UPDATE_SITE");
    return QUrl(override.isEmpty() ? QStringLiteral(VIDLET_VENDOR_SITE) : override);
}

} // namespace

UpdateChecker::UpdateChecker(QObject* parent)
    : QObject(parent),
      site(vendorSite()),
      downloadUrl_(site.resolved(QUrl(QStringLiteral("/download"))).toString())
{
}

void UpdateChecker::check()
{
    if (!network)
        network = new QNetworkAccessManager(this);
    QNetworkRequest request(site.resolved(QUrl(QStringLiteral("/api/ping.php"))));
    request.setHeader(QNetworkRequest::UserAgentHeader,
                      QStringLiteral("Vidlet/1.1 (phone webcam)"));
    // Redirects are followed, except from HTTPS down to HTTP.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setTransferTimeout(transferTimeoutMs);
    QNetworkReply* reply = network->get(request);
    // The network thread stops reading once this much waits unread, so a flood is bounded here
    // even before the abort below reaches it; twice the limit lets the count pass the limit.
    reply->setReadBufferSize(2 * maxBody);
    connect(reply, &QNetworkReply::downloadProgress, reply, [reply](qint64 received, qint64 total) {
        if (received > maxBody || total > maxBody)
            reply->abort();
    });
    connect(reply, &QNetworkReply::finished, this, [this, reply] { onReplyFinished(reply); });
}

void UpdateChecker::onReplyFinished(QNetworkReply* reply)
{
    reply->deleteLater();
    // Any network, TLS or HTTP error, the timeout and an oversized body included.
    if (reply->error() != QNetworkReply::NoError)
        return;
    const QByteArray body = reply->read(maxBody + 1);
    if (body.size() > maxBody)
        return;
    const QJsonDocument doc = QJsonDocument::fromJson(body);
    if (!doc.isObject())
        return;
    const QJsonObject answer = doc.object();
    const QString versionText = answer.value(QStringLiteral("version")).toString();
    const std::optional<QVersionNumber> version = parseVersion(versionText);
    if (!version)
        return;
    // The page changes even when the version is not newer.
    const QString url = answer.value(QStringLiteral("url")).toString();
    if (!url.isEmpty() && isWebAddress(url))
        downloadUrl_ = url;
    if (*version > runningVersion) {
        latestVersion_ = versionText;
        available_ = true;
        Q_EMIT availableChanged();
    }
}

void UpdateChecker::openDownload()
{
    QDesktopServices::openUrl(QUrl::fromUserInput(downloadUrl_));
}
