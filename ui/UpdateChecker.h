#pragma once

#include <QObject>
#include <QString>

// Tells the window whether a newer version of the program exists and opens its download page.
// This version does not ask the vendor's site yet: check() returns without a request, so
// `available` stays false and the window's update strip stays closed. Lives on the GUI thread.
class UpdateChecker : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool available READ available NOTIFY availableChanged)
    Q_PROPERTY(QString latestVersion READ latestVersion NOTIFY availableChanged)

public:
    explicit UpdateChecker(QObject* parent = nullptr);

    bool available() const { return available_; }
    QString latestVersion() const { return latestVersion_; }
    QString downloadUrl() const { return downloadUrl_; }

public slots:
    void check();
    void openDownload();

signals:
    void availableChanged();

private:
    bool available_ = false;
    QString latestVersion_;
    QString downloadUrl_;
};
