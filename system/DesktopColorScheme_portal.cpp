#include "system/DesktopColorScheme.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>

#include <functional>

namespace {

const QString portalService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString portalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString settingsInterface = QStringLiteral("org.freedesktop.portal.Settings");
const QString appearance = QStringLiteral("org.freedesktop.appearance");
const QString colorSchemeKey = QStringLiteral("color-scheme");
// A portal that hangs must not hold up the program's start for D-Bus's default 25 s.
constexpr int answerTimeoutMs = 1000;

DesktopColorScheme::Scheme fromPortalValue(QVariant value)
{
    // Read wraps the value in one more variant than SettingChanged does.
    while (value.userType() == qMetaTypeId<QDBusVariant>())
        value = value.value<QDBusVariant>().variant();
    bool ok = false;
    const uint number = value.toUInt(&ok);
    if (!ok)
        return DesktopColorScheme::Scheme::Unknown;
    return number == 1 ? DesktopColorScheme::Scheme::Dark
        : number == 2  ? DesktopColorScheme::Scheme::Light
                       : DesktopColorScheme::Scheme::Unknown;
}

} // namespace

// Receives the portal's SettingChanged signal, which QtDBus delivers to slots only. The slot
// takes the whole message: QtDBus will not match a slot with a QDBusVariant parameter here.
class PortalListener : public QObject {
    Q_OBJECT

public:
    explicit PortalListener(std::function<void(DesktopColorScheme::Scheme)> onScheme)
        : onScheme(std::move(onScheme))
    {
    }

public Q_SLOTS:
    void settingChanged(const QDBusMessage& signal)
    {
        const QVariantList arguments = signal.arguments();
        if (arguments.size() == 3 && arguments.at(0).toString() == appearance
            && arguments.at(1).toString() == colorSchemeKey)
            onScheme(fromPortalValue(arguments.at(2)));
    }

private:
    std::function<void(DesktopColorScheme::Scheme)> onScheme;
};

struct DesktopColorScheme::Source {
    QString connectionName; // empty for the shared session bus
    QDBusConnection bus;
    PortalListener listener;
};

DesktopColorScheme::DesktopColorScheme(const QString& busAddress, QObject* parent)
    : QObject(parent)
{
    const QString name = busAddress.isEmpty()
        ? QString()
        : QStringLiteral("vidlet-color-scheme-%1").arg(quintptr(this));
    source.reset(new Source{name,
                            busAddress.isEmpty() ? QDBusConnection::sessionBus()
                                                 : QDBusConnection::connectToBus(busAddress, name),
                            PortalListener([this](Scheme scheme) { setScheme(scheme); })});
    QDBusConnection& bus = source->bus;
    if (!bus.isConnected())
        return;
    bus.connect(portalService, portalPath, settingsInterface, QStringLiteral("SettingChanged"),
                &source->listener, SLOT(settingChanged(QDBusMessage)));
    QDBusMessage read = QDBusMessage::createMethodCall(portalService, portalPath, settingsInterface,
                                                       QStringLiteral("Read"));
    read << appearance << colorSchemeKey;
    const QDBusMessage reply = bus.call(read, QDBus::Block, answerTimeoutMs);
    if (reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty())
        scheme_ = fromPortalValue(reply.arguments().constFirst());
}

DesktopColorScheme::~DesktopColorScheme()
{
    if (!source->connectionName.isEmpty())
        QDBusConnection::disconnectFromBus(source->connectionName);
}

void DesktopColorScheme::setScheme(Scheme scheme)
{
    if (scheme == scheme_)
        return;
    scheme_ = scheme;
    Q_EMIT schemeChanged();
}

#include "DesktopColorScheme_portal.moc"
