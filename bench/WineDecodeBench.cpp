// The Windows decoder (Media Foundation, run under Wine by the Windows build's MfDecodeRounds)
// against H264Decoder's FFmpeg backend, both decoding and converting the same 6 Mbit/s streams,
// in alternating rounds. For information only: Wine's decoder transform is GStreamer's libav
// decoder underneath plus Wine's own copying, so the ratio says nothing about Windows.
#include "bench/BenchStream.h"
#include "tests/video/StreamFile.h"
#include "tests/video/TestEncoder.h"
#include "video/H264Decoder.h"

#include <QByteArray>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

extern "C" {
#include <libavutil/log.h>
}

namespace {

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

int decodeWithFfmpeg(const std::vector<StreamFile::Record>& buffers, int width, int height)
{
    H264Decoder decoder;
    int pictures = 0;
    decoder.frameCallback = [&](const unsigned char*, int, int, unsigned long long) { ++pictures; };
    decoder.initialize(width, height);
    for (const auto& buffer : buffers)
        decoder.decode(buffer.bytes.data(), buffer.bytes.size(), buffer.ptsUsec);
    return pictures;
}

bool compare(const QString& winBuild, const QTemporaryDir& scratch, int width, int height)
{
    TestEncoder stream;
    if (!stream.encode(benchStream(width, height))) {
        std::fprintf(stderr, "cannot make the stream: %s\n", stream.error.c_str());
        return false;
    }
    std::vector<StreamFile::Record> buffers{{0, 0, 0, stream.config}};
    for (const auto& unit : stream.units)
        buffers.push_back({0, 0, unit.ptsUsec, unit.bytes});
    const QString file = scratch.filePath(QStringLiteral("stream.h264s"));
    if (!StreamFile::write(file.toStdString(), buffers, false))
        return false;

    QProcess wine;
    wine.start(QStringLiteral(VIDLET_SOURCE_DIR "/scripts/wine-run.sh"),
               {winBuild + QStringLiteral("/wineprefix"),
                winBuild + QStringLiteral("/bin/MfDecodeRounds.exe"), file, QString::number(width),
                QString::number(height)});
    if (!wine.waitForStarted())
        return false;
    std::vector<double> ffmpeg, mf;
    int ffmpegPictures = 0, mfPictures = 0;
    for (int round = 0; round < BenchMode::pick(5, 1); ++round) {
        const auto begin = std::chrono::steady_clock::now();
        ffmpegPictures = decodeWithFfmpeg(buffers, width, height);
        ffmpeg.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - begin)
                .count());
        wine.write("go\n");
        // The first round also waits for the Wine prefix to start.
        while (!wine.canReadLine() && wine.waitForReadyRead(120000)) {}
        double ms = 0;
        if (std::sscanf(wine.readLine().constData(), "%lf %d", &ms, &mfPictures) != 2) {
            std::fprintf(stderr, "MfDecodeRounds did not answer: %s\n",
                         wine.readAllStandardError().constData());
            return false;
        }
        mf.push_back(ms);
    }
    wine.closeWriteChannel();
    wine.waitForFinished(30000);
    const int frames = int(stream.units.size());
    std::printf(
        "%4dx%-4d  FFmpeg %6.3f ms/picture (%d)  Media Foundation under Wine %6.3f ms/picture (%d)"
        "  ratio %.2f\n",
        width, height, median(ffmpeg) / frames, ffmpegPictures, median(mf) / frames, mfPictures,
        median(mf) / median(ffmpeg));
    return ffmpegPictures == frames && mfPictures == frames;
}

} // namespace

int main(int argc, char** argv)
{
    BenchMode::read(argc, argv);
    av_log_set_level(AV_LOG_ERROR);
    const QByteArray given = qgetenv("VIDLET_WIN_BUILD");
    const QString winBuild = given.isEmpty() ? QStringLiteral(VIDLET_SOURCE_DIR "/build-win")
                                             : QString::fromLocal8Bit(given);
    // The test suite runs the Linux tree before the Windows one, which may not be built yet.
    const QString rounds = winBuild + QStringLiteral("/bin/MfDecodeRounds.exe");
    if (BenchMode::isShort() && !QFileInfo::exists(rounds)) {
        std::printf("skipped: no Windows build at %s (make winbuild)\n", qPrintable(winBuild));
        return 77;
    }
    std::printf(
        "Media Foundation decode+convert under Wine against FFmpeg decode+convert, 6 Mbit/s,"
        " for information (not a Windows figure)\n");
    QTemporaryDir scratch;
    bool ok = scratch.isValid();
    // A short run starts Wine once, for the smaller stream.
    for (const auto& [w, h] : {std::pair{1280, 720}, std::pair{1920, 1080}})
        if (w == 1280 || !BenchMode::isShort())
            ok = ok && compare(winBuild, scratch, w, h);
    return ok ? 0 : 1;
}
