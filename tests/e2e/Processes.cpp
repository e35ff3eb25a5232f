#include "tests/e2e/Processes.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QRegularExpression>

QString binPath(const QString& program)
{
    const QString dir =
        qEnvironmentVariable("VIDLET_BIN_DIR", QCoreApplication::applicationDirPath());
    return dir + QLatin1Char('/') + program;
}

VidletProcess::VidletProcess()
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("HOME", home.path());
    env.insert("XDG_CONFIG_HOME", home.path() + "/config");
    env.insert("XDG_RUNTIME_DIR", home.path());
    env.insert("XDG_STATE_HOME", home.path() + "/state");
    env.insert("TMPDIR", home.path());
    env.insert("LOCALAPPDATA", home.path() + "/local");
    env.insert("QT_QPA_PLATFORM", "offscreen");
    // The update ping stays on this machine: nothing listens on port 1, so it fails at once.
    env.insert("VIDLET_UPDATE_SITE", "https://127.0.0.1:1");
    process.setProcessEnvironment(env);
    process.setProcessChannelMode(QProcess::MergedChannels);
}

VidletProcess::~VidletProcess()
{
    if (process.state() != QProcess::NotRunning) {
        process.terminate();
        if (!process.waitForFinished(5000))
            process.kill();
        process.waitForFinished(2000);
    }
}

void VidletProcess::joinThisPipewire()
{
    QProcessEnvironment env = process.processEnvironment();
    env.insert("PIPEWIRE_RUNTIME_DIR", qEnvironmentVariable("XDG_RUNTIME_DIR"));
    process.setProcessEnvironment(env);
}

QStringList VidletProcess::options(const QStringList& arguments) const
{
    // Nothing of the machine's: any free port, no usbmux service unless the test brings one,
    // the token file in the throw-away home. The camera segment comes with the environment.
    QStringList options = arguments + QStringList{"--port", "0", "--token-folder", home.path()};
    if (!arguments.contains("--usbmux"))
        options << "--usbmux" << home.filePath("no-usbmuxd");
    return options;
}

bool VidletProcess::start(const QStringList& arguments)
{
    process.start(binPath("Vidlet"), options(arguments));
    if (!process.waitForStarted(5000))
        return false;
    static const QRegularExpression listening("listening for phones on port (\\d+)");
    const QDeadlineTimer deadline(20000);
    while (!deadline.hasExpired()) {
        const auto match = listening.match(log());
        if (match.hasMatch() && token().size() == 22) {
            listenPort = quint16(match.captured(1).toUInt());
            return true;
        }
        if (process.state() == QProcess::NotRunning)
            return false;
        process.waitForReadyRead(200);
    }
    return false;
}

QString VidletProcess::token() const
{
    QFile file(home.filePath("pairing-token.txt"));
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

QString VidletProcess::log()
{
    // What the program wrote since the event loop last ran is read here too.
    while (process.state() == QProcess::Running && process.waitForReadyRead(0))
        ;
    output += process.readAll();
    return QString::fromUtf8(output);
}

PhoneProcess::~PhoneProcess()
{
    if (process.state() != QProcess::NotRunning) {
        process.kill();
        process.waitForFinished(2000);
    }
}

void PhoneProcess::start(const VidletProcess& vidlet, const QStringList& arguments)
{
    process.start(binPath("vidlet-phone"),
                  QStringList{"--host", "127.0.0.1", "--port", QString::number(vidlet.port()),
                              "--token", vidlet.token()}
                      + arguments);
}

bool PhoneProcess::waitForExit(int timeoutMs)
{
    return process.waitForFinished(timeoutMs) && process.exitStatus() == QProcess::NormalExit;
}
