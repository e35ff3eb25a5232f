#pragma once

#include <QObject>
#include <QString>
#include <QUrl>

class QNetworkAccessManager;
class QNetworkReply;

// Asks the vendor's web site whether a newer version of the program exists and opens its
// download page. The check is silent: a failure of any kind leaves everything as it was.
// The site is fixed at build time; the environment variable VIDLET_UPDATE_SITE, read once by
// the constructor, points the checker at another server (a test server on this machine).
// Lives on the GUI thread.
class UpdateChecker : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool available READ available NOTIFY availableChanged)
    Q_PROPERTY(QString latestVersion READ latestVersion NOTIFY availableChanged)

public:
    explicit UpdateChecker(QObject* parent = nullptr);

    bool available() const { return available_; }
    QString latestVersion() const { return latestVersion_; }
    QString downloadUrl() const { return downloadUrl_; }

    // How long a request may go without any data before it is given up; 15 s by default.
    void setTransferTimeout(int ms) { transferTimeoutMs = ms; }

public Q_SLOTS:
    // Starts one ping request and returns at once; several may be in flight.
    void check();
    void openDownload();

Q_SIGNALS:
    void availableChanged();

private:
    void onReplyFinished(QNetworkReply* reply);

    QUrl site;
    int transferTimeoutMs = 15000;
    QNetworkAccessManager* network = nullptr; // a child, made by the first check()
    bool available_ = false;
    QString latestVersion_;
    QString downloadUrl_;
};
