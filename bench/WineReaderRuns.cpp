#include "bench/WineReaderRuns.h"
#include "bench/BenchEnvironment.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

namespace {

bool readTimes(const QString& file, WineReaderRun& run)
{
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly | QIODevice::Text))
        return false;
    long long first = -1;
    while (!in.atEnd()) {
        const QList<QByteArray> fields = in.readLine().simplified().split(' ');
        if (fields.size() != 3)
            continue;
        const long long frame = fields[0].toLongLong();
        if (first < 0)
            first = frame;
        if (frame < first || frame - first > 100'000)
            continue;
        const auto index = std::size_t(frame - first);
        if (index >= run.stampedNs.size()) {
            run.stampedNs.resize(index + 1, 0);
            run.readNs.resize(index + 1, 0);
        }
        run.stampedNs[index] = fields[1].toLongLong() * 1000;
        run.readNs[index] = std::uint64_t(fields[2].toLongLong() * 1000);
    }
    return !run.stampedNs.empty();
}

} // namespace

bool WineReaderRun::runAll(const QString& winBuild, int pictures, std::vector<WineReaderRun>& runs,
                           QString& why)
{
    const QString reader = winBuild + QStringLiteral("/bin/CameraStampReader.exe");
    const QString program = winBuild + QStringLiteral("/Vidlet/Vidlet.exe");
    if (!QFileInfo::exists(reader) || !QFileInfo::exists(program)) {
        why = QStringLiteral("no Windows build at %1 (make winbuild)").arg(winBuild);
        return false;
    }
    QTemporaryDir out;
    QProcess script;
    script.setProcessChannelMode(QProcess::MergedChannels);
    script.start(QStringLiteral(VIDLET_SOURCE_DIR "/tests/winapp/wine-display.sh"),
                 {winBuild + QStringLiteral("/wineprefix-bench"),
                  QStringLiteral(VIDLET_SOURCE_DIR "/bench/wine-latency.sh"),
                  winBuild + QStringLiteral("/Vidlet"), BenchEnvironment::toolPath(QString()),
                  reader, QString::number(pictures), out.path()});
    if (!script.waitForFinished(15 * 60 * 1000) || script.exitCode() != 0) {
        why = QStringLiteral("the Wine run failed: ") + QString::fromLocal8Bit(script.readAll());
        return false;
    }
    for (const char* path : {"usb", "wifi", "low"}) {
        WineReaderRun run;
        run.path = QString::fromLatin1(path);
        if (!readTimes(out.filePath(run.path + QStringLiteral(".times")), run)) {
            why = QStringLiteral("the reader wrote no times for ") + run.path;
            return false;
        }
        runs.push_back(std::move(run));
    }
    return true;
}
