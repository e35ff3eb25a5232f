#include "tests/ui/LocalWebServer.h"
#include "tests/ui/WindowHarness.h"

#include <QFontMetricsF>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QDir>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>

// The real Main.qml driven through mouse and keyboard events on the window.
class MainWindowTest : public QObject {
    Q_OBJECT

private:
    // A window showing the live screen with two phones, the first one active.
    static void connectPhones(WindowHarness& h)
    {
        h.app.connectTwoPhones();
        Q_EMIT h.app.changed();
        QVERIFY(h.nextFrame()); // the rail lays its cards out before the next frame
    }
    static QQuickItem* editor(WindowHarness& h, int id)
    {
        return h.item(QStringLiteral("phoneCard_%1").arg(id))->findChild<QQuickItem*>("nameEditor");
    }
    static void beginRename(WindowHarness& h, int id)
    {
        QTest::mouseDClick(h.window, Qt::LeftButton, Qt::NoModifier,
                           h.at(h.item(QStringLiteral("phoneCard_%1").arg(id)), 0.5, 0.2));
        QTRY_VERIFY(editor(h, id)->hasActiveFocus());
    }
    // The Settings modal, opened on `tab` (0 General, 1 Camera, 2 Status, 3 About).
    static void openSettings(WindowHarness& h, int tab)
    {
        QMetaObject::invokeMethod(h.window, "shotOpenView", Q_ARG(QVariant, "settings"));
        h.object("settingsModal")->setProperty("tab", tab);
        QVERIFY(h.openModalPanel());
    }
    // No card is being renamed and the click-away catcher is gone.
    static bool noRenameOpen(const WindowHarness& h)
    {
        return h.window->property("renamingCard").isNull() && !h.item("renameCatcher")->isVisible();
    }
    // The visible items under `root` in the visual tree (loaded screens are not QObject children).
    static QList<QQuickItem*> visibleItems(QQuickItem* root)
    {
        QList<QQuickItem*> found;
        QList<QQuickItem*> pending{root};
        while (!pending.isEmpty()) {
            QQuickItem* item = pending.takeLast();
            if (!item->isVisible())
                continue;
            found << item;
            pending << item->childItems();
        }
        return found;
    }
    static QStringList renames(const WindowHarness& h)
    {
        return h.app.calls.filter(QRegularExpression("^renamePhone"));
    }

private Q_SLOTS:
    void initTestCase() { WindowHarness::prepareProcess(); }
    // Any QML warning (a broken binding, a missing property) fails the test that caused it.
    void init() { QTest::failOnWarning(QRegularExpression(".*")); }

    void showsPairingScreenUntilAPhoneConnects();
    void noAddressReplacesTheCode_data();
    void noAddressReplacesTheCode();
    void settingsPanelStaysPutAcrossTabs();
    void refusedPhoneIsToldAndDismissed();
    void knownPhonesKeepTheirPlaceOffline();
    void phoneTextIsNeverMarkup();
    void renameCommits_data();
    void renameCommits();
    void escapeCancelsRename();
    void renameEditorTakesAtMost40Characters();
    void renameSurvivesRosterRefresh();
    void renameIsCommittedWhenTheRosterChanges();
    void pairingScreenRemovesTheLiveScreen();
    void secondRenameCommitsTheFirst();
    void cardClickActivatesAndPencilRenames();
    void cameraTabActions();
    void phoneTextsAreShownAsPlainText();
    void deviceLine_data();
    void deviceLine();
    void recordButtonEnabledState_data();
    void recordButtonEnabledState();
    void recordingClockCountsAndResets();
    void recordingStripNamesFolderThenFile();
    void recordingStripSaysWhyItStopped();
    void recordingStripSaysWhatTheDiskCostAndARefusedStart();
    void liveChipPausesAndResumes();
    void pulsesRestWhileTheWindowIsOutOfSight();
    void settingsOpensOnGeneralAndCloses_data();
    void settingsOpensOnGeneralAndCloses();
    void closeToTraySaysWhenItIsUnavailable();
    void thePictureIsShapedInTheCameraSettings();
    void connectionLinesSayWhatIsTrue();
    void languageRowSwapsModals();
    void addPhoneCardOpensModal();
    void themeFollowsChoiceAndSystem();
    void updateStripOpensAndStaysDismissed();
    void updateStripStaysClosedWithoutChecker();
    void closeHidesOrQuits_data();
    void closeHidesOrQuits();
    void titleBarDragNeedsMoreThan4Pixels();
    void ctrl0RestoresDefaultSize();
    void editMenuServesTheNameEditor();
};

void MainWindowTest::showsPairingScreenUntilAPhoneConnects()
{
    WindowHarness h;
    QVERIFY(h.window);
    QVERIFY(h.item("qrTile")->isVisible());
    QVERIFY(!h.item("previewBox"));
    QVERIFY(!h.item("firewallStrip")->isVisible());
    // No QR yet: the tile holds a placeholder instead of an image.
    h.app.setProperty("firewallBlocked", true);
    QVERIFY(h.item("firewallStrip")->isVisible());
    h.click(h.item("allowButton"));
    QCOMPARE(h.app.calls, QStringList{"allowThroughFirewall"});

    connectPhones(h);
    QTRY_VERIFY(h.item("previewBox")->isVisible());
    // The pairing screen is unloaded with its code; the add-phone modal's code stays closed.
    QTRY_VERIFY(!h.item("pairingScreen"));
    for (const QQuickItem* tile : h.items("qrTile"))
        QVERIFY(!tile->isVisible());
    QCOMPARE(h.item("activeName")->property("text").toString(), QStringLiteral("Pixel 8"));
}

void MainWindowTest::noAddressReplacesTheCode_data()
{
    QTest::addColumn<bool>("addPhone"); // the Add a phone modal over the live screen
    QTest::newRow("pairing screen") << false;
    QTest::newRow("add a phone") << true;
}

void MainWindowTest::noAddressReplacesTheCode()
{
    QFETCH(bool, addPhone);
    WindowHarness h;
    // Some code the controller made, though it carries no address.
    h.app.qrDataUrl = "qrc:/assets/icons/app-icon-256.png";
    h.app.port = 9000;
    if (addPhone) {
        connectPhones(h);
        QMetaObject::invokeMethod(h.window, "shotOpenView", Q_ARG(QVariant, "addphone"));
    }
    QQuickItem* scope = addPhone ? h.openModalPanel() : h.window->contentItem();
    QVERIFY(scope);
    const auto shown = [scope](const QString& name) {
        for (QQuickItem* i : visibleItems(scope))
            if (i->objectName() == name)
                return i;
        return static_cast<QQuickItem*>(nullptr);
    };
    const auto showsText = [scope](const QString& text) {
        for (QQuickItem* i : visibleItems(scope))
            if (i->property("text").toString().contains(text))
                return true;
        return false;
    };
    QVERIFY(shown("qrTile"));
    QVERIFY(!shown("noAddressNote"));
    QVERIFY(showsText("192.168.1.42:8788"));

    h.app.setProperty("pairAddress", "No LAN address found");
    h.app.setProperty("hasLanAddress", false);
    QVERIFY(!shown("qrTile"));
    QVERIFY(shown("noAddressNote"));
    QVERIFY(!showsText("No LAN address found"));
    QVERIFY(showsText("Wi-Fi"));
    QVERIFY(shown("noAddressPort")->property("text").toString().contains("port 9000"));
    h.app.setProperty("port", 0); // not listening yet: the port phones will try
    QVERIFY(shown("noAddressPort")->property("text").toString().contains("port 8788"));
}

void MainWindowTest::settingsPanelStaysPutAcrossTabs()
{
    WindowHarness h;
    h.click(h.item("settingsButton"));
    QQuickItem* panel = h.openModalPanel();
    QVERIFY(panel);
    const QRectF first = panel->mapRectToScene(panel->boundingRect());
    // Along the tab row and back, clicking where each tab was when the dialog opened.
    QList<QPoint> tabs;
    for (int tab = 0; tab < 4; ++tab)
        tabs << h.at(h.item(QStringLiteral("settingsTab_%1").arg(tab)));
    for (int tab : {1, 2, 3, 0, 2}) {
        h.clickAt(tabs[tab]);
        QCOMPARE(h.object("settingsModal")->property("tab").toInt(), tab);
        QVERIFY(h.nextFrame());
        QCOMPARE(panel->mapRectToScene(panel->boundingRect()), first);
    }
}

void MainWindowTest::knownPhonesKeepTheirPlaceOffline()
{
    WindowHarness h;
    const auto known = [](const QString& deviceId, const QString& name, int id) {
        return QVariantMap{
            {"deviceId", deviceId}, {"name", name}, {"model", "Pixel 8"}, {"os", ""}, {"id", id}};
    };
    const auto x = [&h](const QString& card) { return h.at(h.item(card), 0, 0).x(); };
    // Anna's phone paired first, the work phone second; the work phone and a guest without a
    // device id are connected.
    QVariantMap guest = ControllerDouble::phone(6, "Guest");
    guest["deviceId"] = "";
    h.app.knownPhones = {known("dev-a", "Anna", -1), known("dev-5", "Work phone", 5)};
    h.app.phones = {guest, ControllerDouble::phone(5, "Work phone")};
    h.app.activeId = 5;
    h.app.live = true;
    Q_EMIT h.app.changed();
    QTRY_VERIFY(h.item("offlineCard_dev-a"));
    QVERIFY(h.nextFrame());
    QVERIFY(x("offlineCard_dev-a") < x("phoneCard_5"));
    QVERIFY(x("phoneCard_5") < x("phoneCard_6"));
    // The twice-a-second notifications while live leave the cards as they are.
    QQuickItem* card = h.item("phoneCard_5");
    Q_EMIT h.app.changed();
    Q_EMIT h.app.changed();
    QCOMPARE(h.item("phoneCard_5"), card);
    QQuickItem* offline = h.item("offlineCard_dev-a");
    QCOMPARE(offline->property("deviceLine").toString(), QStringLiteral("Offline"));
    QVERIFY(offline->opacity() < 1);
    h.click(offline);
    QVERIFY(h.app.calls.isEmpty());
    QVERIFY(!h.item("idleOverlay")->isVisible());
    // Under the pointer a phone that is away offers to be forgotten; a connected one does not.
    QQuickItem* forget = offline->findChild<QQuickItem*>("forgetChip");
    QTest::mouseMove(h.window, h.at(offline));
    QTRY_VERIFY(forget->isVisible());
    h.click(forget);
    QCOMPARE(h.app.calls, QStringList{"forgetPhone dev-a"});
    h.app.calls.clear();
    QTest::mouseMove(h.window, h.at(card));
    QTRY_VERIFY(!forget->isVisible());
    QVERIFY(!card->findChild<QQuickItem*>("forgetChip")->isVisible());

    // Everyone leaves: the live screen stays, idle, with both known cards offline in order.
    h.app.phones.clear();
    h.app.activeId = -1;
    h.app.live = false;
    h.app.knownPhones = {known("dev-a", "Anna", -1), known("dev-5", "Work phone", -1)};
    Q_EMIT h.app.changed();
    QTRY_VERIFY(h.item("offlineCard_dev-5"));
    QVERIFY(h.nextFrame());
    QVERIFY(h.item("previewBox"));
    QVERIFY(h.item("idleOverlay")->isVisible());
    QVERIFY(!h.item("phoneCard_6"));
    QVERIFY(x("offlineCard_dev-a") < x("offlineCard_dev-5"));
    QVERIFY(h.item("noPhoneLabel")->isVisible());
    h.click(h.item("showCodeButton"));
    QVERIFY(h.object("addPhoneModal")->property("shown").toBool());
    QTest::keyClick(h.window, Qt::Key_Escape);

    // The work phone comes back on a new connection, live in its own place.
    QVariantMap back = ControllerDouble::phone(9, "Work phone");
    back["deviceId"] = "dev-5";
    h.app.phones = {back};
    h.app.activeId = 9;
    h.app.knownPhones = {known("dev-a", "Anna", -1), known("dev-5", "Work phone", 9)};
    Q_EMIT h.app.changed();
    QTRY_VERIFY(h.item("phoneCard_9"));
    QVERIFY(h.nextFrame());
    QVERIFY(!h.item("offlineCard_dev-5"));
    QVERIFY(x("offlineCard_dev-a") < x("phoneCard_9"));
    QVERIFY(!h.item("idleOverlay")->isVisible());
    QVERIFY(!h.item("noPhoneLabel")->isVisible());

    // Forgotten phones (a new pairing code): the pairing screen again.
    h.app.phones.clear();
    h.app.activeId = -1;
    h.app.knownPhones.clear();
    Q_EMIT h.app.changed();
    QTRY_VERIFY(h.item("pairingScreen"));
    QTRY_VERIFY(!h.item("previewBox"));
}

void MainWindowTest::refusedPhoneIsToldAndDismissed()
{
    WindowHarness h;
    QQuickItem* note = h.item("refusedNote");
    QQuickItem* text = h.item("refusedText");
    QVERIFY(!note->isVisible());
    Q_EMIT h.app.pairingRefused(QString());
    QVERIFY(note->isVisible());
    QCOMPARE(
        text->property("text").toString(),
        QStringLiteral("A phone tried to connect with an old pairing code: scan the code again."));
    h.click(h.item("refusedDismiss"));
    QVERIFY(!note->isVisible());
    Q_EMIT h.app.pairingRefused("Anna's phone");
    QVERIFY(note->isVisible());
    QCOMPARE(text->property("text").toString(),
             QStringLiteral(
                 "Anna's phone tried to connect with an old pairing code: scan the code again."));
    // Over the live screen too, until a phone connects after all.
    connectPhones(h);
    QVERIFY(!note->isVisible());
    Q_EMIT h.app.pairingRefused("Tab");
    QVERIFY(note->isVisible());
    QVERIFY(h.item("previewBox")->isVisible());
    QVERIFY(h.at(h.item("previewBox"), 0, 0).y() > h.at(note, 0, 1).y());
}

// Names, models and versions come from the phone: shown as the characters they are, so a name
// such as "<img src=…>" can neither load anything nor change how the window looks.
void MainWindowTest::phoneTextIsNeverMarkup()
{
    WindowHarness h;
    const QString name = "<b>Bold</b><img src=\"file:///etc/hostname\">";
    Q_EMIT h.app.pairingRefused(name);
    h.app.phones = {ControllerDouble::phone(1, name, "<i>Model</i>", "", true)};
    h.app.activeId = 1;
    QStringList seen;
    const auto check = [&h, &seen]() {
        for (QQuickItem* t : visibleItems(h.window->contentItem()))
            if (t->property("text").toString().contains("<")) {
                seen << t->objectName();
                QVERIFY2(t->property("textFormat").toInt() == 0, // Text.PlainText
                         qPrintable(t->property("text").toString()));
            }
    };
    check();
    Q_EMIT h.app.changed();
    QTRY_VERIFY(h.item("phoneCard_1"));
    QVERIFY(h.nextFrame());
    check();
    // The notice, then the card's name and device line and the status row.
    QVERIFY2(seen.size() >= 4, qPrintable(seen.join(',')));
}

void MainWindowTest::renameCommits_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("enter") << "enter";
    QTest::newRow("focus loss") << "focus";
    QTest::newRow("click away") << "click";
}

void MainWindowTest::renameCommits()
{
    QFETCH(QString, how);
    WindowHarness h;
    connectPhones(h);
    beginRename(h, 2);
    QCOMPARE(editor(h, 2)->property("selectedText").toString(), QStringLiteral("iPhone"));
    h.type("Work phone");

    if (how == "enter") {
        QTest::keyClick(h.window, Qt::Key_Return);
    } else if (how == "focus") {
        h.item("titleBar")->forceActiveFocus();
    } else {
        // A press on the settings button commits and goes no further.
        h.click(h.item("settingsButton"));
        QVERIFY(!h.object("settingsModal")->property("shown").toBool());
    }
    QCOMPARE(renames(h), QStringList{"renamePhone 2 Work phone"});
    QVERIFY(!editor(h, 2)->isVisible());
    QVERIFY(noRenameOpen(h));
}

void MainWindowTest::escapeCancelsRename()
{
    WindowHarness h;
    connectPhones(h);
    beginRename(h, 1);
    h.type("Other");
    QTest::keyClick(h.window, Qt::Key_Escape);
    QVERIFY(!editor(h, 1)->isVisible());
    QVERIFY(h.window->property("renamingCard").isNull());
    h.item("titleBar")->forceActiveFocus();
    QVERIFY(renames(h).isEmpty());
    QCOMPARE(
        h.item("phoneCard_1")->findChild<QQuickItem*>("phoneName")->property("text").toString(),
        QStringLiteral("Pixel 8"));
}

void MainWindowTest::renameEditorTakesAtMost40Characters()
{
    WindowHarness h;
    connectPhones(h);
    beginRename(h, 1);
    // A press inside the card being renamed reaches the editor and does not commit.
    h.clickAt(h.at(editor(h, 1)));
    QVERIFY(editor(h, 1)->hasActiveFocus());
    QVERIFY(renames(h).isEmpty());
    QTest::keyClick(h.window, Qt::Key_A, Qt::ControlModifier);
    h.type(QString(50, QLatin1Char('x')));
    QTest::keyClick(h.window, Qt::Key_Enter);
    QCOMPARE(renames(h), QStringList{"renamePhone 1 " + QString(40, QLatin1Char('x'))});
}

void MainWindowTest::renameSurvivesRosterRefresh()
{
    // The controller notifies twice a second while live; an edit in progress must outlast it.
    WindowHarness h;
    connectPhones(h);
    beginRename(h, 2);
    h.type("Desk");
    for (int i = 0; i < 3; ++i) {
        h.app.setProperty("framesSent", qulonglong(i + 1));
        Q_EMIT h.app.changed();
    }
    QVERIFY(editor(h, 2)->hasActiveFocus());
    h.type(" cam");
    QTest::keyClick(h.window, Qt::Key_Return);
    QCOMPARE(renames(h), QStringList{"renamePhone 2 Desk cam"});
}

void MainWindowTest::renameIsCommittedWhenTheRosterChanges()
{
    WindowHarness h;
    connectPhones(h);
    beginRename(h, 2);
    h.type("Desk");
    // A third phone connects while the name is being edited.
    h.app.phones.append(ControllerDouble::phone(3, "Pixel 7", "Pixel 7"));
    Q_EMIT h.app.changed();
    QTRY_COMPARE(renames(h), QStringList{"renamePhone 2 Desk"});
    QVERIFY(noRenameOpen(h));
}

void MainWindowTest::pairingScreenRemovesTheLiveScreen()
{
    WindowHarness h;
    connectPhones(h);
    beginRename(h, 1);
    h.app.phones.clear();
    Q_EMIT h.app.changed();
    QTRY_VERIFY(!h.item("previewBox"));
    QVERIFY(!h.item("phoneCard_1"));
    QVERIFY(noRenameOpen(h));
    QVERIFY(h.item("qrTile")->isVisible());
}

void MainWindowTest::secondRenameCommitsTheFirst()
{
    WindowHarness h;
    connectPhones(h);
    beginRename(h, 1);
    h.type("Front");
    QMetaObject::invokeMethod(h.item("phoneCard_2"), "beginRename");
    QCOMPARE(renames(h), QStringList{"renamePhone 1 Front"});
    QVERIFY(editor(h, 2)->hasActiveFocus());
    QCOMPARE(h.window->property("renamingCard").value<QObject*>(), h.object("phoneCard_2"));
    QTest::keyClick(h.window, Qt::Key_Escape);
    QCOMPARE(renames(h).size(), 1);
}

void MainWindowTest::cardClickActivatesAndPencilRenames()
{
    WindowHarness h;
    connectPhones(h);
    QQuickItem* second = h.item("phoneCard_2");
    QQuickItem* pencil = second->findChild<QQuickItem*>("pencilChip");
    QVERIFY(h.item("phoneCard_1")->findChild<QQuickItem*>("liveBadge")->isVisible());
    QVERIFY(!pencil->isVisible());
    h.click(second);
    QCOMPARE(h.app.calls, QStringList{"setActive 2"});
    QVERIFY(second->property("active").toBool());
    QVERIFY(second->findChild<QQuickItem*>("liveBadge")->isVisible());
    QVERIFY(!h.item("phoneCard_1")->findChild<QQuickItem*>("liveBadge")->isVisible());

    // The pencil appears only under the pointer and starts the editor.
    QTest::mouseMove(h.window, QPoint(5, 100));
    QTRY_VERIFY(!pencil->isVisible());
    QTest::mouseMove(h.window, h.at(second));
    QTRY_VERIFY(pencil->isVisible());
    h.click(pencil);
    QVERIFY(editor(h, 2)->hasActiveFocus());
    QVERIFY(!pencil->isVisible());
    // While editing, a click on the card itself does not switch phones.
    h.clickAt(h.at(second, 0.5, 0.2));
    QCOMPARE(h.app.calls.filter("setActive").size(), 1);
}

void MainWindowTest::cameraTabActions()
{
    WindowHarness h;
    openSettings(h, 1);
    QQuickItem* reg = h.item("registerButton");
    QCOMPARE(reg->property("text").toString(), QStringLiteral("Register"));
    QCOMPARE(reg->property("variant").toString(), QStringLiteral("primary"));
    h.click(reg);
    h.app.setProperty("cameraRegistered", true);
    QCOMPARE(reg->property("text").toString(), QStringLiteral("Unregister"));
    h.click(reg);
    QCOMPARE(h.app.calls, (QStringList{"registerCamera", "unregisterCamera"}));
    // Windows lists the camera to DirectShow programs only, and the tab says so there.
#ifdef Q_OS_WIN
    QVERIFY(h.item("cameraReachHelp")->isVisible());
#else
    QVERIFY(!h.item("cameraReachHelp")->isVisible());
#endif
    // With PipeWire nothing needs registering; the loopback device stays on offer.
    QVERIFY(!h.item("pipewireRow")->isVisible());
    h.app.setProperty("pipewireCamera", true);
    QVERIFY(h.item("pipewireRow")->isVisible());
    QCOMPARE(h.item("registrationText")->property("text").toString(),
             QStringLiteral("V4L2 device registered"));
    h.app.setProperty("cameraRegistered", false);
    QCOMPARE(h.item("registrationText")->property("text").toString(),
             QStringLiteral("No V4L2 device"));
    QCOMPARE(reg->property("text").toString(), QStringLiteral("Register"));
    // Until a program has read the PipeWire camera here, the registration is recommended.
    QVERIFY(h.item("pipewireUnreadHelp")->isVisible());
    h.app.setProperty("pipewireReaderSeen", true);
    QVERIFY(!h.item("pipewireUnreadHelp")->isVisible());
    h.app.setProperty("pipewireReaderSeen", false);
    h.app.setProperty("cameraRegistered", true);
    QVERIFY(!h.item("pipewireUnreadHelp")->isVisible());
    h.app.setProperty("cameraRegistered", false);
    h.app.setProperty("pipewireCamera", false);
    QVERIFY(!h.item("pipewireUnreadHelp")->isVisible());
    // A camera whose shared memory another program cut short was made again, and it says so.
    QVERIFY(!h.item("segmentCutHelp")->isVisible());
    h.app.setProperty("cameraSegmentCutShort", true);
    QVERIFY(h.item("segmentCutHelp")->isVisible());
    h.app.setProperty("cameraSegmentCutShort", false);

    // A long path keeps its end, the folder's own name; the whole path shows on hover.
    const QString longPath = "/home/someone/a/very/long/path/that/goes/on/and/on/Videos/Vidlet";
    h.app.setProperty("recordingFolder", longPath);
    QQuickItem* folder = h.item("recordingFolder");
    QVERIFY(folder->property("truncated").toBool());
    QCOMPARE(folder->property("elide").toInt(), int(Qt::ElideLeft));
    QObject* tip = h.object("recordingFolderTip");
    QVERIFY(!tip->property("visible").toBool());
    QTest::mouseMove(h.window, h.at(folder));
    QTRY_VERIFY(tip->property("visible").toBool());
    QCOMPARE(tip->property("text").toString(), longPath);
    QTest::mouseMove(h.window, QPoint(5, 5));
    QTRY_VERIFY(!tip->property("visible").toBool());

    // The recording quality: Standard by default, High and Original one click away.
    QCOMPARE(h.item("qualitySegment_0")->parentItem()->property("selected").toBool(), true);
    h.click(h.item("qualitySegment_1"));
    QCOMPARE(h.app.recordingQuality, 1);
    QCOMPARE(h.item("qualitySegment_1")->parentItem()->property("selected").toBool(), true);
    h.click(h.item("qualitySegment_2"));
    QCOMPARE(h.app.recordingQuality, 2);

    QQuickItem* change = nullptr;
    for (QQuickItem* b : h.items(QString()))
        if (b->property("text").toString() == QLatin1String("Change")
            && b->property("variant").isValid())
            change = b;
    QVERIFY(change);
    h.click(change);
    QTRY_VERIFY(h.object("folderDialog")->property("visible").toBool());
    QObject* dialog = h.object("folderDialog");
    QCOMPARE(dialog->property("title").toString(), QStringLiteral("Choose recordings folder"));
#ifdef Q_OS_WIN
    QSKIP("Windows' own folder dialog takes its folder from the user only, not from a test");
#endif
    // Accepting hands the folder over as a URL; the controller makes it a path.
    dialog->setProperty("selectedFolder", QUrl::fromLocalFile(QDir::tempPath()));
    QMetaObject::invokeMethod(dialog, "accept");
    QCOMPARE(h.app.recordingFolder, QUrl::fromLocalFile(QDir::tempPath()).toString());
}

// A phone chooses its name, model and OS text: markup in them is shown as typed, never
// interpreted (an <img> would make the window fetch a URL of the phone's choosing).
void MainWindowTest::phoneTextsAreShownAsPlainText()
{
    LocalWebServer web;
    const QString image = QStringLiteral("<img src=\"%1/x.png\">").arg(QString(web.origin()));
    WindowHarness h;
    h.app.phones = {ControllerDouble::phone(3, image + "<b>N</b>", "<i>M</i>")};
    h.app.activeId = 3;
    h.app.live = true;
    Q_EMIT h.app.changed();
    QTRY_VERIFY(h.item("phoneCard_3"));
    h.window->grabWindow();
    // A request of the test's own, sent after the window drew the texts, comes in after any
    // request the window made for them.
    QNetworkAccessManager probe;
    std::unique_ptr<QNetworkReply> reply(probe.get(QNetworkRequest(QUrl(web.origin() + "/probe"))));
    QTRY_VERIFY(!web.requests.isEmpty());
    QCOMPARE(web.requests.constFirst().path, QByteArray("/probe"));
    // Shown as plain text, the markup takes the width of its own characters.
    QQuickItem* line = h.item("phoneCard_3")->findChild<QQuickItem*>("deviceLine");
    QFontMetricsF metrics(line->property("font").value<QFont>());
    QCOMPARE(qRound(line->property("contentWidth").toReal()),
             qRound(metrics.horizontalAdvance("<i>M</i>")));
    for (QQuickItem* name :
         {h.item("activeName"), h.item("phoneCard_3")->findChild<QQuickItem*>("phoneName")})
        QVERIFY(name->property("truncated").toBool());
}

void MainWindowTest::deviceLine_data()
{
    QTest::addColumn<QString>("model");
    QTest::addColumn<QString>("os");
    QTest::addColumn<bool>("usb");
    QTest::addColumn<QString>("line");
    QTest::newRow("model") << "Pixel 8"
                           << "Android 14" << false << "Pixel 8";
    QTest::newRow("os over usb") << ""
                                 << "iOS 17" << true << "iOS 17 · USB";
    QTest::newRow("usb alone") << ""
                               << "" << true << "USB";
    QTest::newRow("nothing") << ""
                             << "" << false << "";
}

void MainWindowTest::deviceLine()
{
    QFETCH(QString, model);
    QFETCH(QString, os);
    QFETCH(bool, usb);
    QFETCH(QString, line);
    WindowHarness h;
    h.app.phones = {ControllerDouble::phone(3, "Phone", model, os, usb)};
    h.app.activeId = 3;
    Q_EMIT h.app.changed();
    QTRY_VERIFY(h.item("phoneCard_3"));
    QCOMPARE(h.item("phoneCard_3")->property("deviceLine").toString(), line);
    bool shown = false;
    for (QQuickItem* t : h.item("phoneCard_3")->findChildren<QQuickItem*>())
        if (t->property("text").toString() == line && !line.isEmpty() && t->isVisible())
            shown = true;
    QCOMPARE(shown, !line.isEmpty());
}

void MainWindowTest::recordButtonEnabledState_data()
{
    QTest::addColumn<bool>("live");
    QTest::addColumn<bool>("output");
    QTest::addColumn<bool>("recording");
    QTest::addColumn<bool>("enabled");
    QTest::newRow("idle") << false << true << false << false;
    QTest::newRow("live") << true << true << false << true;
    QTest::newRow("paused output") << true << false << false << false;
    QTest::newRow("recording, feed paused") << true << false << true << true;
    QTest::newRow("recording, not live") << false << true << true << true;
}

void MainWindowTest::recordButtonEnabledState()
{
    QFETCH(bool, live);
    QFETCH(bool, output);
    QFETCH(bool, recording);
    QFETCH(bool, enabled);
    WindowHarness h;
    connectPhones(h);
    h.app.live = live;
    h.app.outputEnabled = output;
    h.app.recording = recording;
    Q_EMIT h.app.changed();
    QQuickItem* button = h.item("recordButton");
    QCOMPARE(button->isEnabled(), enabled);
    QCOMPARE(button->opacity(), enabled ? 1.0 : 0.45);
    h.click(button);
    QCOMPARE(h.app.calls.contains("toggleRecording"), enabled);
}

void MainWindowTest::recordingClockCountsAndResets()
{
    WindowHarness h;
    connectPhones(h);
    h.app.setProperty("recording", true);
    QQuickItem* label = h.item("recordLabel");
    QTRY_COMPARE(label->property("text").toString(), QStringLiteral("0:01"));
    h.window->setProperty("recSeconds", 75);
    QCOMPARE(label->property("text").toString(), QStringLiteral("1:15"));
    h.window->setProperty("recSeconds", 750);
    QCOMPARE(label->property("text").toString(), QStringLiteral("12:30"));
    h.app.setProperty("recording", false);
    QCOMPARE(label->property("text").toString(), QStringLiteral("Record"));
    h.app.setProperty("recording", true);
    QCOMPARE(label->property("text").toString(), QStringLiteral("0:00"));
    // An Original recording says so until the phone's key frame starts its file.
    h.app.setProperty("recordingWaitsForKeyframe", true);
    QCOMPARE(label->property("text").toString(), QStringLiteral("Waiting for a key frame"));
}

void MainWindowTest::recordingStripNamesFolderThenFile()
{
    WindowHarness h;
    connectPhones(h);
    QQuickItem* strip = h.item("recordingStrip");
    QQuickItem* notice = h.item("recordingNotice");
    QVERIFY(!strip->isVisible());

    h.app.lastRecordingPath = "/home/user/Videos/Vidlet/Vidlet_20261207_165602.mp4";
    h.app.setProperty("recording", true);
    QTRY_VERIFY(strip->isVisible());
    QCOMPARE(notice->property("text").toString(),
             QStringLiteral("Recording to /home/user/Videos/Vidlet"));
    QVERIFY(!h.item("showRecording")->isVisible());

    // The phones leave (BYE): the window goes back to pairing, the notice stays with the file.
    h.app.recording = false;
    h.app.phones.clear();
    h.app.activeId = -1;
    Q_EMIT h.app.changed();
    QTRY_VERIFY(h.item("pairingScreen"));
    QVERIFY(strip->isVisible());
    QCOMPARE(notice->property("text").toString(),
             QStringLiteral("Recording saved: Vidlet_20261207_165602.mp4"));
    QTest::mouseMove(h.window, h.at(notice));
    QObject* tip = h.object("recordingTip");
    QTRY_VERIFY(tip->property("visible").toBool());
    QCOMPARE(tip->property("text").toString(), h.app.lastRecordingPath);
    // The content moves down under the strip rather than behind it.
    QCOMPARE(h.at(h.item("pairingScreen"), 0, 0).y(), h.at(strip, 0, 1).y());

    QVERIFY(h.nextFrame()); // nothing but the dismiss button closes it
    QVERIFY(strip->isVisible());
    h.click(h.item("showRecording"));
    QCOMPARE(h.app.calls, QStringList{"showLastRecording"});
    h.click(h.item("recordingDismiss"));
    QTRY_VERIFY(!strip->isVisible());

    // A new recording replaces a notice that was not dismissed.
    h.app.setProperty("recording", true);
    h.app.setProperty("recording", false);
    QVERIFY(strip->isVisible());
    h.app.setProperty("recording", true);
    QCOMPARE(notice->property("text").toString(),
             QStringLiteral("Recording to /home/user/Videos/Vidlet"));
}

// A recording that the disk, a deleted folder or a new picture size stopped says so, where the
// saved notice goes.
void MainWindowTest::recordingStripSaysWhyItStopped()
{
    WindowHarness h;
    connectPhones(h);
    QQuickItem* notice = h.item("recordingNotice");
    h.app.lastRecordingPath = "/home/user/Videos/Vidlet/Vidlet_20261207_165602.mp4";
    h.app.setProperty("recording", true);
    h.app.recordingFailure = 1;
    h.app.setProperty("recording", false);
    QTRY_COMPARE(notice->property("text").toString(),
                 QStringLiteral("Recording stopped: the disk is full or cannot be written. "
                                "Saved: Vidlet_20261207_165602.mp4"));
    h.app.setProperty("recordingFailure", 2);
    QCOMPARE(notice->property("text").toString(),
             QStringLiteral("Recording stopped: its file or folder was deleted"));
    h.app.setProperty("recordingFailure", 3);
    QCOMPARE(notice->property("text").toString(),
             QStringLiteral("Recording stopped: the phone's picture changed size. "
                            "Saved: Vidlet_20261207_165602.mp4"));
    h.app.setProperty("recordingFailure", 4);
    QCOMPARE(notice->property("text").toString(),
             QStringLiteral("The disk filled while the recording was completed: it is kept as "
                            "recorded and plays. Saved: Vidlet_20261207_165602.mp4"));
}

// A disk that cannot keep up costs frames, which the running recording counts; a start that
// fails says so until it is dismissed or a recording starts, with nothing to show.
void MainWindowTest::recordingStripSaysWhatTheDiskCostAndARefusedStart()
{
    WindowHarness h;
    connectPhones(h);
    QQuickItem* strip = h.item("recordingStrip");
    QQuickItem* notice = h.item("recordingNotice");
    h.app.recordingFolder = "/media/stick/Vidlet";
    h.app.setProperty("recording", true);
    h.app.setProperty("recordingDropped", 12);
    QTRY_COMPARE(notice->property("text").toString(),
                 QStringLiteral("Recording to /media/stick/Vidlet. The disk cannot keep up: 12 "
                                "frames left out"));
    h.app.recordingDropped = 0;
    h.app.setProperty("recording", false); // no file to name: the strip goes
    QTRY_VERIFY(!strip->isVisible());
    Q_EMIT h.app.recordingRefused();
    QTRY_VERIFY(strip->isVisible());
    QCOMPARE(notice->property("text").toString(),
             QStringLiteral("Recording could not start: /media/stick/Vidlet cannot be written"));
    QVERIFY(!h.item("showRecording")->isVisible());
    h.click(h.item("recordingDismiss"));
    QTRY_VERIFY(!strip->isVisible());

    Q_EMIT h.app.recordingRefused();
    QTRY_VERIFY(strip->isVisible());
    h.app.setProperty("recording", true);
    QCOMPARE(notice->property("text").toString(),
             QStringLiteral("Recording to /media/stick/Vidlet"));

    // A start soon after a quit: the Vidlet that quit still saves; the strip goes when it is done.
    h.app.setProperty("recording", false);
    QTRY_VERIFY(!strip->isVisible());
    h.app.setProperty("recordingsBeingCompleted", 2);
    QTRY_VERIFY(strip->isVisible());
    QCOMPARE(notice->property("text").toString(),
             QStringLiteral("The Vidlet that quit is still saving its recordings in "
                            "/media/stick/Vidlet"));
    QVERIFY(!h.item("recordingDismiss")->isVisible());
    h.app.setProperty("recordingsBeingCompleted", 0);
    QTRY_VERIFY(!strip->isVisible());
}

void MainWindowTest::liveChipPausesAndResumes()
{
    WindowHarness h;
    connectPhones(h);
    QQuickItem* chip = h.item("liveChip");
    QVERIFY(!h.item("pausedOverlay")->isVisible());
    QVERIFY(!h.item("inUseChip")->isVisible());
    h.click(chip);
    QCOMPARE(h.app.calls, QStringList{"toggleOutput"});
    QVERIFY(h.item("pausedOverlay")->isVisible());
    bool paused = false;
    for (QQuickItem* t : chip->findChildren<QQuickItem*>())
        paused |= t->property("text").toString() == QLatin1String("PAUSED");
    QVERIFY(paused);
    h.click(chip);
    QVERIFY(!h.item("pausedOverlay")->isVisible());
    h.app.setProperty("appConnected", true);
    QVERIFY(h.item("inUseChip")->isVisible());
}

// A running animation redraws the whole window many times a second: the pulsing dots stop
// while nobody can see them.
void MainWindowTest::pulsesRestWhileTheWindowIsOutOfSight()
{
    WindowHarness h;
    QObject* waiting = h.object("waitingPulse");
    QVERIFY(waiting && waiting->property("running").toBool());
    h.window->showMinimized();
    QTRY_VERIFY(!waiting->property("running").toBool());
    h.window->showNormal();
    QTRY_VERIFY(waiting->property("running").toBool());

    connectPhones(h);
    h.app.setProperty("recording", true);
    QObject* live = h.object("livePulse");
    QObject* record = h.object("recordPulse");
    QVERIFY(live && record);
    QVERIFY(live->property("running").toBool() && record->property("running").toBool());
    h.window->hide();
    QVERIFY(!live->property("running").toBool());
    QVERIFY(!record->property("running").toBool());
    h.window->show();
    QVERIFY(live->property("running").toBool() && record->property("running").toBool());
    // Every phone gone, the preview keeps a still picture: nothing to pulse for.
    h.app.setProperty("live", false);
    QVERIFY(!live->property("running").toBool());
}

void MainWindowTest::settingsOpensOnGeneralAndCloses_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("escape") << "escape";
    QTest::newRow("backdrop") << "backdrop";
    QTest::newRow("close button") << "button";
}

void MainWindowTest::settingsOpensOnGeneralAndCloses()
{
    QFETCH(QString, how);
    WindowHarness h;
    QObject* settings = h.object("settingsModal");
    h.click(h.item("settingsButton"));
    QVERIFY(h.openModalPanel());
    h.click(h.item("settingsTab_2"));
    QCOMPARE(settings->property("tab").toInt(), 2);
    // A press on the panel itself keeps the modal open.
    QQuickItem* panel = settings->findChild<QQuickItem*>("modalPanel");
    h.clickAt(h.at(panel, 0.5, 0.97));
    QVERIFY(settings->property("shown").toBool());

    if (how == "escape")
        QTest::keyClick(h.window, Qt::Key_Escape);
    else if (how == "backdrop")
        h.clickAt(QPoint(30, h.window->height() - 30));
    else
        h.click(settings->findChild<QQuickItem*>("modalClose"));
    QVERIFY(!settings->property("shown").toBool());
    QTRY_VERIFY(!qobject_cast<QQuickItem*>(settings)->isVisible());

    h.click(h.item("settingsButton"));
    QCOMPARE(settings->property("tab").toInt(), 0);
}

void MainWindowTest::closeToTraySaysWhenItIsUnavailable()
{
    WindowHarness h;
    h.app.setProperty("trayAvailable", false);
    openSettings(h, 0);
    QQuickItem* toggle = h.item("trayToggle");
    QVERIFY(!toggle->isEnabled());
    QCOMPARE(toggle->property("checked").toBool(), false);
    QVERIFY(h.item("trayHelp")->property("text").toString().startsWith("Unavailable"));
    h.click(toggle);
    QCOMPARE(h.app.property("minimizeToTray").toBool(), true); // the choice is kept for later

    h.app.setProperty("trayAvailable", true);
    QVERIFY(toggle->isEnabled());
    QCOMPARE(toggle->property("checked").toBool(), true);
    QVERIFY(h.item("trayHelp")->property("text").toString().startsWith("Keep Vidlet running"));
}

// Each choice reaches the controller and shows as chosen.
void MainWindowTest::thePictureIsShapedInTheCameraSettings()
{
    WindowHarness h;
    openSettings(h, 1);
    const auto selected = [&](const char* segment) {
        return h.item(segment)->parentItem()->property("selected").toBool();
    };
    QVERIFY(selected("cameraSizeSegment_0"));
    h.click(h.item("cameraSizeSegment_2"));
    QCOMPARE(h.app.property("cameraSize").toInt(), 2);
    QVERIFY(selected("cameraSizeSegment_2") && !selected("cameraSizeSegment_0"));
    h.click(h.item("turnSegment_3"));
    QCOMPARE(h.app.property("quarterTurns").toInt(), 3);
    QVERIFY(selected("turnSegment_3"));
    h.click(h.item("fitSegment_1"));
    QCOMPARE(h.app.property("filled").toBool(), true);
    h.click(h.item("fitSegment_0"));
    QCOMPARE(h.app.property("filled").toBool(), false);
    QVERIFY(selected("fitSegment_0"));

    QQuickItem* toggle = h.item("mirrorToggle");
    QCOMPARE(toggle->property("checked").toBool(), false);
    h.click(toggle);
    QCOMPARE(h.app.property("mirrored").toBool(), true);
    QCOMPARE(toggle->property("checked").toBool(), true);
}

void MainWindowTest::connectionLinesSayWhatIsTrue()
{
    WindowHarness h;
    openSettings(h, 2);
    QQuickItem* state = h.item("usbState");
    QVERIFY(state->isVisible());
    QCOMPARE(state->property("text").toString(), QStringLiteral("Ready"));
    h.app.setProperty("usbAvailable", false);
#ifdef Q_OS_WIN
    QCOMPARE(state->property("text").toString(),
             QStringLiteral("Needs iTunes or the Apple Devices app"));
#else
    QCOMPARE(state->property("text").toString(),
             QStringLiteral("Waiting for an iPhone on the USB cable"));
    h.app.setProperty("usbServiceInstalled", false);
    QCOMPARE(state->property("text").toString(), QStringLiteral("usbmuxd is not installed"));
#endif
    h.app.setProperty("usbRefused", true);
    QCOMPARE(state->property("text").toString(),
             QStringLiteral("Not used: another program answers in place of Apple's USB service"));

    // Another program held the phones' port: the tab says which port is used instead.
    QQuickItem* port = h.item("portTakenHelp");
    QVERIFY(!port->isVisible());
    h.app.setProperty("port", 50123);
    h.app.setProperty("portTaken", 8788);
    QVERIFY(port->isVisible());
    QCOMPARE(port->property("text").toString(),
             QStringLiteral("Port 8788 was taken by another program, so Vidlet listens on 50123: "
                            "phones that paired before must scan the code again."));
}

void MainWindowTest::languageRowSwapsModals()
{
    WindowHarness h;
    QObject* settings = h.object("settingsModal");
    QObject* language = h.object("languageModal");
    h.window->setProperty("dummy", 0);
    QMetaObject::invokeMethod(h.window, "shotOpenView", Q_ARG(QVariant, "settings"));
    QVERIFY(h.openModalPanel());
    h.click(h.item("languageRow"));
    QVERIFY(!settings->property("shown").toBool());
    QVERIFY(language->property("shown").toBool());
    QVERIFY(h.openModalPanel());
    h.click(h.item("langCell_fr"));
    QCOMPARE(h.i18n->language(), QStringLiteral("fr"));
    QVERIFY(!language->property("shown").toBool());
    QVERIFY(!settings->property("shown").toBool());
    // The selected cell follows the stored choice, "auto" included.
    h.i18n->setLanguage("auto");
    QVERIFY(h.item("langCell_auto")->property("selected").toBool());
    QVERIFY(!h.item("langCell_fr")->property("selected").toBool());
}

void MainWindowTest::addPhoneCardOpensModal()
{
    WindowHarness h;
    connectPhones(h);
    h.click(h.item("addPhoneCard"));
    QVERIFY(h.object("addPhoneModal")->property("shown").toBool());
    QMetaObject::invokeMethod(h.window, "shotOpenView", Q_ARG(QVariant, "main"));
    QVERIFY(!h.object("settingsModal")->property("shown").toBool());
    QVERIFY(!h.object("languageModal")->property("shown").toBool());
}

void MainWindowTest::themeFollowsChoiceAndSystem()
{
    WindowHarness h;
    const QObject* theme = h.engine.singletonInstance<QObject*>(qmlTypeId("Vidlet", 1, 0, "Theme"));
    QCOMPARE(h.window->property("dark").toBool(), true);
    h.app.setProperty("osDark", false);
    QCOMPARE(h.window->property("dark").toBool(), false);
    QCOMPARE(theme->property("accent").value<QColor>(), QColor("#0bab9d"));
    h.app.setThemeMode(2);
    QCOMPARE(h.window->property("dark").toBool(), true);
    QCOMPARE(theme->property("accent").value<QColor>(), QColor("#22d0c1"));

    QMetaObject::invokeMethod(h.window, "shotOpenView", Q_ARG(QVariant, "settings"));
    QVERIFY(h.openModalPanel());
    h.click(h.item("themeSegment_1"));
    QVERIFY(h.app.calls.contains("setThemeMode 1"));
    QCOMPARE(h.window->property("dark").toBool(), false);

    // A forced theme holds against the controller from then on.
    QMetaObject::invokeMethod(h.window, "shotSetTheme", Q_ARG(QVariant, 2));
    h.app.setThemeMode(1);
    QCOMPARE(h.window->property("dark").toBool(), true);
}

void MainWindowTest::updateStripOpensAndStaysDismissed()
{
    WindowHarness h;
    QQuickItem* strip = h.item("updateStrip");
    QCOMPARE(strip->height(), 0.0);
    h.updater.latestVersion = "1.2";
    h.updater.setProperty("available", true);
    QTRY_COMPARE(strip->height(), 36.0);
    bool announced = false;
    for (QQuickItem* t : strip->findChildren<QQuickItem*>())
        announced |= t->property("text").toString() == QLatin1String("Vidlet 1.2 is available.");
    QVERIFY(announced);
    h.click(h.item("updateDownload"));
    QCOMPARE(h.updater.downloads, 1);

    h.click(h.item("updateDismiss"));
    QTRY_COMPARE(strip->height(), 0.0);
    h.updater.setProperty("available", false);
    h.updater.setProperty("available", true);
    // An opening strip would have grown by the second frame.
    QVERIFY(h.nextFrame());
    QVERIFY(h.nextFrame());
    QCOMPARE(strip->height(), 0.0);
    QVERIFY(!strip->isVisible());
}

void MainWindowTest::updateStripStaysClosedWithoutChecker()
{
    WindowHarness h(false);
    QVERIFY(h.window);
    QCOMPARE(h.item("updateStrip")->height(), 0.0);
}

void MainWindowTest::closeHidesOrQuits_data()
{
    QTest::addColumn<bool>("toTray");
    QTest::addColumn<bool>("trayAvailable");
    QTest::addColumn<bool>("systemClose");
    QTest::newRow("button, to tray") << true << true << false;
    QTest::newRow("system, to tray") << true << true << true;
    QTest::newRow("button, quit") << false << true << false;
    QTest::newRow("button, no notification area") << true << false << false;
    QTest::newRow("system, no notification area") << true << false << true;
}

void MainWindowTest::closeHidesOrQuits()
{
    QFETCH(bool, toTray);
    QFETCH(bool, trayAvailable);
    QFETCH(bool, systemClose);
    WindowHarness h;
    h.app.setProperty("minimizeToTray", toTray);
    h.app.setProperty("trayAvailable", trayAvailable);
    QSignalSpy quit(&h.engine, &QQmlEngine::quit);
    const bool hides = toTray && trayAvailable;
    if (systemClose) {
        // A refused close request is how the window hides instead of closing.
        QCOMPARE(h.window->close(), !hides);
        QVERIFY(!h.window->isVisible());
        return;
    }
    h.click(h.item("closeButton"));
    QCOMPARE(h.window->isVisible(), !hides);
    QCOMPARE(quit.size(), hides ? 0 : 1);
}

void MainWindowTest::titleBarDragNeedsMoreThan4Pixels()
{
    WindowHarness h;
    QQuickItem* bar = h.item("titleBar");
    const QPoint p = h.at(bar, 0.3, 0.5);
    QTest::mousePress(h.window, Qt::LeftButton, Qt::NoModifier, p);
    QTest::mouseMove(h.window, p + QPoint(4, 4));
    QCOMPARE(bar->property("moving").toBool(), false);
#ifdef Q_OS_WIN
    QSKIP("Windows moves a window in a modal loop of its own, which only the real mouse ends");
#endif
    QTest::mouseMove(h.window, p + QPoint(9, 0));
    QCOMPARE(bar->property("moving").toBool(), true);
    QTest::mouseRelease(h.window, Qt::LeftButton, Qt::NoModifier, p + QPoint(9, 0));
    QTRY_COMPARE(bar->property("moving").toBool(), false);

    QTest::mouseDClick(h.window, Qt::LeftButton, Qt::NoModifier, p);
    QTRY_COMPARE(h.window->property("isMax").toBool(), true);
    QCOMPARE(h.window->property("_restoreW").toInt(), 540);
    QCOMPARE(h.window->property("shadowMargin").toInt(), 0);
    QCOMPARE(h.window->property("cardRadius").toInt(), 0);

    // Dragging the maximized window restores it under the pointer: from the middle of the title
    // bar, the restored left edge is 16 + (540 - 32) / 2 px left of the pointer.
    const QPoint mid(h.window->width() / 2, 23);
    const QPoint global = h.window->mapToGlobal(mid + QPoint(0, 10));
    QTest::mousePress(h.window, Qt::LeftButton, Qt::NoModifier, mid);
    QTest::mouseMove(h.window, mid + QPoint(0, 10));
    QTRY_COMPARE(h.window->property("isMax").toBool(), false);
    QCOMPARE(h.window->x(), global.x() - 16 - 254);
    QCOMPARE(h.window->y(), global.y() - 33 - 16);
    QTest::mouseRelease(h.window, Qt::LeftButton, Qt::NoModifier, mid + QPoint(0, 10));
    QCOMPARE(h.window->property("shadowMargin").toInt(), 16);
}

void MainWindowTest::ctrl0RestoresDefaultSize()
{
    WindowHarness h;
    h.window->resize(800, 700);
    QTRY_COMPARE(h.window->width(), 800);
    QTest::keyClick(h.window, Qt::Key_0, Qt::ControlModifier);
    QTRY_COMPARE(h.window->size(), QSize(540, 640));
}

void MainWindowTest::editMenuServesTheNameEditor()
{
    WindowHarness h;
    connectPhones(h);
    beginRename(h, 1);
    QQuickItem* menu = h.item("editMenu");
    QQuickItem* panel = h.item("editMenuPanel");
    QQuickItem* input = editor(h, 1);

    // Opened with all text selected: every row works. The menu takes no focus, so the rename
    // stays open.
    h.clickAt(h.at(input), Qt::RightButton);
    QVERIFY(menu->isVisible());
    QVERIFY(input->hasActiveFocus());
    QVERIFY(h.item("editMenuRow_Ctrl+X")->property("active").toBool());
    h.click(h.item("editMenuRow_Ctrl+X"));
    QVERIFY(!menu->isVisible());
    QCOMPARE(input->property("text").toString(), QString());
    QVERIFY(input->hasActiveFocus());
    QVERIFY(renames(h).isEmpty());

    // Empty field: Cut, Copy and Select all are inactive; a press on one closes the menu only.
    QMetaObject::invokeMethod(menu, "openFor",
                              Q_ARG(QVariant, QVariant::fromValue<QObject*>(input)),
                              Q_ARG(QVariant, 10000), Q_ARG(QVariant, 10000));
    QVERIFY(menu->isVisible());
    const QRectF card = h.item("card")->mapRectToScene(
        QRectF(0, 0, h.item("card")->width(), h.item("card")->height()));
    const QRectF r = panel->mapRectToScene(QRectF(0, 0, panel->width(), panel->height()));
    QCOMPARE(r.right(), card.right() - 4);
    QCOMPARE(r.bottom(), card.bottom() - 4);
    QVERIFY(!h.item("editMenuRow_Ctrl+C")->property("active").toBool());
    QVERIFY(!h.item("editMenuRow_Ctrl+A")->property("active").toBool());
    QVERIFY(h.item("editMenuRow_Ctrl+V")->property("active").toBool());
    h.click(h.item("editMenuRow_Ctrl+C"));
    QVERIFY(!menu->isVisible());

    // Paste brings the cut text back.
    h.clickAt(h.at(input), Qt::RightButton);
    h.click(h.item("editMenuRow_Ctrl+V"));
    QCOMPARE(input->property("text").toString(), QStringLiteral("Pixel 8"));
    QTest::keyClick(h.window, Qt::Key_Return);
    QCOMPARE(renames(h), QStringList{"renamePhone 1 Pixel 8"});
}

QTEST_MAIN(MainWindowTest)
#include "MainWindowTest.moc"
