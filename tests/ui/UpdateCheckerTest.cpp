#include "tests/ui/LocalWebServer.h"
#include "ui/UpdateChecker.h"

#include <QDesktopServices>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QSignalSpy>
#include <QSslConfiguration>
#include <QTest>

namespace {

// Takes the place of the desktop's default handler for every scheme a reply may name.
class OpenedUrls : public QObject {
    Q_OBJECT
public:
    QList<QUrl> urls;
public Q_SLOTS:
    void open(const QUrl& url) { urls << url; }
};

const QStringList handledSchemes = {"https", "http", "file", "javascript", "vidlet-evil"};

} // namespace

// The checker against real HTTPS and HTTP servers on loopback. The test trusts its own
// certificate by adding it to the process's default TLS configuration, as a private CA would be.
class UpdateCheckerTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void defaultsToTheVendorSite();
    void readsTheReply_data();
    void readsTheReply();
    void givesUpOnASilentServer();
    void refusesAnUntrustedCertificate();
    void followsRedirectsButNotDownToHttp();
    void cutsOffAnOversizedBody_data();
    void cutsOffAnOversizedBody();
    void handlesSeveralChecksInFlight();

private:
    std::unique_ptr<UpdateChecker> checkerFor(const LocalWebServer& server);
    // Runs `count` checks and waits for their replies; the last reply's error.
    // UnknownNetworkError when the checks have not all finished within `timeoutMs`.
    QNetworkReply::NetworkError checkAndWait(UpdateChecker& checker, int count = 1,
                                             int timeoutMs = 20000);

    LocalWebServer::Identity trusted;
    OpenedUrls opened;
};

void UpdateCheckerTest::initTestCase()
{
    trusted = LocalWebServer::makeIdentity();
    QVERIFY2(!trusted.isNull(), "openssl could not make a certificate");
    QSslConfiguration config = QSslConfiguration::defaultConfiguration();
    config.addCaCertificate(trusted.certificate);
    QSslConfiguration::setDefaultConfiguration(config);
    for (const QString& scheme : handledSchemes)
        QDesktopServices::setUrlHandler(scheme, &opened, "open");
}

void UpdateCheckerTest::cleanupTestCase()
{
    for (const QString& scheme : handledSchemes)
        QDesktopServices::unsetUrlHandler(scheme);
}

std::unique_ptr<UpdateChecker> UpdateCheckerTest::checkerFor(const LocalWebServer& server)
{
    qputenv("VIDLET_UPDATE_SITE", server.origin());
    auto checker = std::make_unique<UpdateChecker>();
    qunsetenv("VIDLET_UPDATE_SITE");
    return checker;
}

QNetworkReply::NetworkError UpdateCheckerTest::checkAndWait(UpdateChecker& checker, int count,
                                                            int timeoutMs)
{
    for (int i = 0; i < count; ++i)
        checker.check();
    auto* network = checker.findChild<QNetworkAccessManager*>();
    if (!network)
        return QNetworkReply::UnknownNetworkError;
    // Read at once: the checker deletes each reply once it has handled it.
    int done = 0;
    QNetworkReply::NetworkError last = QNetworkReply::NoError;
    const auto watch = QObject::connect(network, &QNetworkAccessManager::finished, network,
                                        [&](QNetworkReply* reply) {
                                            ++done;
                                            last = reply->error();
                                        });
    const bool finished = QTest::qWaitFor([&] { return done >= count; }, timeoutMs);
    QObject::disconnect(watch);
    return finished ? last : QNetworkReply::UnknownNetworkError;
}

void UpdateCheckerTest::defaultsToTheVendorSite()
{
    UpdateChecker checker;
    QCOMPARE(checker.downloadUrl(), QStringLiteral(VIDLET_VENDOR_SITE "/download"));
    QVERIFY(!checker.available());
    opened.urls.clear();
    checker.openDownload();
    QCOMPARE(opened.urls, QList<QUrl>{QUrl(VIDLET_VENDOR_SITE "/download")});
}

void UpdateCheckerTest::readsTheReply_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("latest"); // empty: no newer version
    QTest::addColumn<QString>("page");   // empty: the site's own download page

    QTest::newRow("same version") << 200 << QByteArray(R"({"version":"1.1"})") << ""
                                  << "";
    QTest::newRow("patch") << 200 << QByteArray(R"({"version":"1.1.1"})") << "1.1.1"
                           << "";
    QTest::newRow("longer same") << 200 << QByteArray(R"({"version":"1.1.0"})") << "1.1.0"
                                 << "";
    QTest::newRow("minor") << 200 << QByteArray(R"({"version":"1.2","extra":[1,2]})") << "1.2"
                           << "";
    QTest::newRow("numeric segments") << 200 << QByteArray(R"({"version":"1.10"})") << "1.10"
                                      << "";
    QTest::newRow("older") << 200 << QByteArray(R"({"version":"1.0.9"})") << ""
                           << "";
    QTest::newRow("newer with page")
        << 200 << QByteArray(R"({"version":"1.2","url":"https://get.example/v1.2"})") << "1.2"
        << "https://get.example/v1.2";
    QTest::newRow("older with page")
        << 200 << QByteArray(R"({"version":"1.0","url":"http://get.example/old"})") << ""
        << "http://get.example/old";
    // Only a web address reaches the desktop's default handler.
    QTest::newRow("file page") << 200
                               << QByteArray(R"({"version":"1.2","url":"file:///etc/passwd"})")
                               << "1.2"
                               << "";
    QTest::newRow("script page") << 200
                                 << QByteArray(R"x({"version":"1.2","url":"javascript:alert(1)"})x")
                                 << "1.2"
                                 << "";
    QTest::newRow("custom scheme page")
        << 200 << QByteArray(R"({"version":"1.2","url":"vidlet-evil://run"})") << "1.2"
        << "";
    QTest::newRow("relative page")
        << 200 << QByteArray(R"({"version":"1.2","url":"/elsewhere"})") << "1.2"
        << "";
    QTest::newRow("page without scheme")
        << 200 << QByteArray(R"({"version":"1.2","url":"www.example.com"})") << "1.2"
        << "";
    // A reply without a usable version changes nothing, its page included.
    QTest::newRow("no version") << 200 << QByteArray(R"({"url":"https://get.example/x"})") << ""
                                << "";
    QTest::newRow("empty version")
        << 200 << QByteArray(R"({"version":"","url":"https://get.example/x"})") << ""
        << "";
    QTest::newRow("number version") << 200 << QByteArray(R"({"version":1.2})") << ""
                                    << "";
    QTest::newRow("lettered version")
        << 200 << QByteArray(R"({"version":"1.2-beta","url":"https://get.example/x"})") << ""
        << "";
    QTest::newRow("overlong version")
        << 200 << QByteArray(R"({"version":"1.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.2"})") << ""
        << "";
    QTest::newRow("segment beyond int") << 200 << QByteArray(R"({"version":"99999999999"})") << ""
                                        << "";
    QTest::newRow("array") << 200 << QByteArray("[]") << ""
                           << "";
    QTest::newRow("not json") << 200 << QByteArray("{version: 9.9") << ""
                              << "";
    QTest::newRow("server error") << 500 << QByteArray(R"({"version":"9.9"})") << ""
                                  << "";
    QTest::newRow("not found") << 404 << QByteArray(R"({"version":"9.9"})") << ""
                               << "";
}

void UpdateCheckerTest::readsTheReply()
{
    QFETCH(int, status);
    QFETCH(QByteArray, body);
    QFETCH(QString, latest);
    QFETCH(QString, page);

    LocalWebServer server(trusted);
    server.respond = [&](const LocalWebServer::Request&) {
        LocalWebServer::Answer a;
        a.status = status;
        a.body = body;
        return a;
    };
    auto checker = checkerFor(server);
    QSignalSpy announced(checker.get(), &UpdateChecker::availableChanged);
    checkAndWait(*checker);

    QCOMPARE(server.requests.size(), 1);
    const LocalWebServer::Request& r = server.requests.first();
    QCOMPARE(r.method, QByteArray("GET"));
    QCOMPARE(r.path, QByteArray("/api/ping.php"));
    QCOMPARE(r.headers.value("user-agent"), QByteArray("Vidlet/1.1 (phone webcam)"));

    QCOMPARE(checker->available(), !latest.isEmpty());
    QCOMPARE(checker->latestVersion(), latest);
    QCOMPARE(announced.size(), latest.isEmpty() ? 0 : 1);
    opened.urls.clear();
    checker->openDownload();
    const QString expected =
        page.isEmpty() ? QString::fromLatin1(server.origin() + "/download") : page;
    QCOMPARE(opened.urls, QList<QUrl>{QUrl(expected)});
}

void UpdateCheckerTest::givesUpOnASilentServer()
{
    LocalWebServer server(trusted);
    server.respond = [](const LocalWebServer::Request&) {
        LocalWebServer::Answer a;
        a.silent = true;
        return a;
    };
    auto checker = checkerFor(server);
    checker->setTransferTimeout(1000); // time for the request to reach the server
    // The injected timeout ends it: the wait gives up long before the default 15 s would.
    QCOMPARE(checkAndWait(*checker, 1, 5000), QNetworkReply::OperationCanceledError);
    QCOMPARE(server.requests.size(), 1);
    QVERIFY(!checker->available());
    QTRY_COMPARE(server.closedConnections, 1);
}

void UpdateCheckerTest::refusesAnUntrustedCertificate()
{
    LocalWebServer stranger(LocalWebServer::makeIdentity());
    stranger.answerAlways(R"({"version":"9.9"})");
    auto checker = checkerFor(stranger);
    QCOMPARE(checkAndWait(*checker), QNetworkReply::SslHandshakeFailedError);
    QVERIFY(stranger.requests.isEmpty());
    QVERIFY(!checker->available());
}

void UpdateCheckerTest::followsRedirectsButNotDownToHttp()
{
    LocalWebServer plain;
    plain.answerAlways(R"({"version":"9.9"})");
    LocalWebServer secure(trusted);
    QByteArray target;
    secure.respond = [&](const LocalWebServer::Request& r) {
        LocalWebServer::Answer a;
        if (r.path == "/moved") {
            a.body = R"({"version":"1.2"})";
        } else {
            a.status = 302;
            a.location = target;
        }
        return a;
    };

    target = plain.origin() + "/api/ping.php";
    auto down = checkerFor(secure);
    QCOMPARE(checkAndWait(*down), QNetworkReply::InsecureRedirectError);
    QVERIFY(plain.requests.isEmpty());
    QVERIFY(!down->available());

    target = secure.origin() + "/moved";
    auto along = checkerFor(secure);
    QCOMPARE(checkAndWait(*along), QNetworkReply::NoError);
    QCOMPARE(along->latestVersion(), QStringLiteral("1.2"));
}

void UpdateCheckerTest::cutsOffAnOversizedBody_data()
{
    QTest::addColumn<qint64>("padding");
    QTest::addColumn<bool>("declareLength");
    QTest::addColumn<bool>("read");
    QTest::newRow("just under the limit") << qint64(60 * 1024) << true << true;
    QTest::newRow("32 MiB declared") << qint64(32 << 20) << true << false;
    QTest::newRow("32 MiB undeclared") << qint64(32 << 20) << false << false;
}

void UpdateCheckerTest::cutsOffAnOversizedBody()
{
    QFETCH(qint64, padding);
    QFETCH(bool, declareLength);
    QFETCH(bool, read);

    // White space, then an answer that would announce a newer version if it were read.
    LocalWebServer server(trusted);
    server.respond = [&](const LocalWebServer::Request&) {
        LocalWebServer::Answer a;
        a.body = R"({"version":"9.9"})";
        a.padding = padding;
        a.declareLength = declareLength;
        return a;
    };
    auto checker = checkerFor(server);
    const QNetworkReply::NetworkError error = checkAndWait(*checker);
    QCOMPARE(checker->available(), read);
    QCOMPARE(error == QNetworkReply::NoError, read);
    if (!read) {
        QTRY_COMPARE(server.closedConnections, 1);
        QVERIFY2(server.bodyBytesSent < padding, qPrintable(QString::number(server.bodyBytesSent)));
    }
}

void UpdateCheckerTest::handlesSeveralChecksInFlight()
{
    // The first request is answered last.
    LocalWebServer server(trusted);
    server.respond = [&](const LocalWebServer::Request&) {
        LocalWebServer::Answer a;
        if (server.requests.size() == 1) {
            a.body = R"({"version":"1.2","url":"https://get.example/first"})";
            a.delayMs = 400;
        } else {
            a.body = R"({"version":"1.0","url":"https://get.example/second"})";
        }
        return a;
    };
    auto checker = checkerFor(server);
    QSignalSpy announced(checker.get(), &UpdateChecker::availableChanged);
    QCOMPARE(checkAndWait(*checker, 2), QNetworkReply::NoError);
    QCOMPARE(server.requests.size(), 2);
    QCOMPARE(announced.size(), 1);
    QCOMPARE(checker->latestVersion(), QStringLiteral("1.2"));
    QCOMPARE(checker->downloadUrl(), QStringLiteral("https://get.example/first"));
}

QTEST_MAIN(UpdateCheckerTest)
#include "UpdateCheckerTest.moc"
