#include "bench/BenchEnvironment.h"

#include <QCoreApplication>
#include <QFile>
#include <QStandardPaths>
#include <QThread>

#include <cstdio>

extern "C" {
#include <libavutil/log.h>
}

#include <sys/mman.h>
#include <unistd.h>

namespace {

void dropInformation(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    if (type != QtInfoMsg && type != QtDebugMsg)
        std::fprintf(stderr, "%s\n", qPrintable(message));
}

} // namespace

BenchEnvironment::BenchEnvironment()
    : segment("/vidlet-bench-session-" + std::to_string(getpid()))
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.path() + QStringLiteral("/config")));
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR"))
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(home.path()));
    // Results appear line by line even when piped, in order with the warnings.
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    QStandardPaths::setTestModeEnabled(true);
    qInstallMessageHandler(dropInformation);
    // libavcodec says "no frame!" for the parameter sets the controller feeds on their own.
    av_log_set_level(AV_LOG_FATAL);
}

BenchEnvironment::~BenchEnvironment()
{
    shm_unlink(segment.c_str());
}

bool BenchEnvironment::useOwnCamera()
{
    // The controller's sink loads this same file later and gets this same instance.
    const QString path = QCoreApplication::applicationDirPath() + QStringLiteral("/libsoftcam.so");
    if (!component.load(QFile::encodeName(path).toStdString())) {
        std::fprintf(stderr, "cannot load %s: %s\n", qPrintable(path),
                     component.errorText().c_str());
        return false;
    }
    auto useSegment = reinterpret_cast<void (*)(const char*)>(component.symbol("scSetSegmentName"));
    if (!useSegment)
        return false;
    useSegment(segment.c_str());
    return true;
}

QString BenchEnvironment::absentUsbService() const
{
    return home.path() + QStringLiteral("/no-usbmuxd");
}

QString BenchEnvironment::machine()
{
    QString model = QStringLiteral("unknown CPU");
    QFile cpuinfo(QStringLiteral("/proc/cpuinfo"));
    if (cpuinfo.open(QIODevice::ReadOnly)) {
        for (const QByteArray& line : cpuinfo.readAll().split('\n')) {
            if (line.startsWith("model name")) {
                model = QString::fromUtf8(line.mid(line.indexOf(':') + 1).trimmed());
                break;
            }
        }
    }
    return QStringLiteral("%1 cores, %2").arg(QThread::idealThreadCount()).arg(model);
}

QString BenchEnvironment::toolPath(const QString& name)
{
    return QCoreApplication::applicationDirPath() + QLatin1Char('/') + name;
}
