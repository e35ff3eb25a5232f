// A stand-in for the desktop's settings portal on a test's private bus: serves
// org.freedesktop.portal.Settings.Read for the colour scheme and emits SettingChanged for every
// number read from standard input. Usage: portal-standin BUS_ADDRESS VALUE | --mute
// ("--mute" owns the name and never answers). Prints "ready" once it can be asked.
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QSocketNotifier>

#include <cstdio>
#include <unistd.h>

class Settings : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Settings")

public:
    explicit Settings(const QDBusConnection& bus)
        : bus(bus)
    {
    }

    QDBusConnection bus;
    bool mute = false;
    uint value = 0;

public Q_SLOTS:
    QDBusVariant Read(const QString& group, const QString& key, const QDBusMessage& message)
    {
        if (mute) {
            message.setDelayedReply(true); // and never reply
            return {};
        }
        if (group != "org.freedesktop.appearance" || key != "color-scheme") {
            bus.send(message.createErrorReply("org.freedesktop.portal.Error.NotFound",
                                              "Requested setting not found"));
            return {};
        }
        // The portal's Read answers a variant holding the variant of the value.
        return QDBusVariant(QVariant::fromValue(QDBusVariant(value)));
    }

Q_SIGNALS:
    void SettingChanged(const QString& group, const QString& key, const QDBusVariant& value);
};

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 3)
        return 2;
    QDBusConnection bus = QDBusConnection::connectToBus(QString::fromLocal8Bit(argv[1]), "portal");
    Settings settings(bus);
    settings.mute = QByteArray(argv[2]) == "--mute";
    settings.value = QByteArray(argv[2]).toUInt();
    if (!bus.registerObject("/org/freedesktop/portal/desktop", &settings,
                            QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals)
        || !bus.registerService("org.freedesktop.portal.Desktop"))
        return 1;

    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, [&] {
        char chunk[64];
        const ssize_t n = read(STDIN_FILENO, chunk, sizeof chunk);
        if (n <= 0) {
            app.quit();
            return;
        }
        for (const QByteArray& line : QByteArray(chunk, int(n)).split('\n')) {
            if (line.isEmpty())
                continue;
            settings.value = line.toUInt();
            Q_EMIT settings.SettingChanged("org.freedesktop.appearance", "color-scheme",
                                           QDBusVariant(settings.value));
        }
    });
    std::printf("ready\n");
    std::fflush(stdout);
    return app.exec();
}

#include "PortalStandIn.moc"
