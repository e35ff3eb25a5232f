#include "video/H264Decoder.h"

#include <QStringList>
#include <QTest>

#include <mutex>
#include <thread>
#include <vector>

extern "C" {
#include <libavutil/log.h>
}

namespace {

std::mutex loggedLock;
QStringList logged; // loggedLock

void collect(QtMsgType, const QMessageLogContext&, const QString& message)
{
    const std::lock_guard<std::mutex> guard(loggedLock);
    logged << message;
}

// A part of FFmpeg to speak as, named the way FFmpeg names its own.
AVClass muxerClassOf()
{
    AVClass avClass{};
    avClass.class_name = "mp4";
    avClass.item_name = av_default_item_name;
    avClass.version = LIBAVUTIL_VERSION_INT;
    return avClass;
}

const AVClass muxerClass = muxerClassOf();
struct Muxer {
    const AVClass* avClass = &muxerClass;
} muxer;

} // namespace

// FFmpeg's messages reach the program's log once the decoder exists: errors once per distinct
// text, warnings and notes not at all.
class FfmpegLogTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void keepsEachDistinctErrorOnce()
    {
        H264Decoder decoder; // it used to silence everything short of fatal, process-wide
        const QtMessageHandler previous = qInstallMessageHandler(collect);
        av_log(&muxer, AV_LOG_ERROR, "cannot write packet %d\n", 1);
        av_log(&muxer, AV_LOG_ERROR, "cannot write packet %d\n", 2);
        av_log(&muxer, AV_LOG_WARNING, "just a warning\n");
        av_log(&muxer, AV_LOG_INFO, "using cpu capabilities\n");
        av_log(&muxer, AV_LOG_FATAL, "out of memory\n");
        qInstallMessageHandler(previous);
        QCOMPARE(logged,
                 (QStringList{"Vidlet: FFmpeg mp4: cannot write packet 1",
                              "Vidlet: FFmpeg mp4: out of memory"}));
    }

    // The encoder's and decoder's own threads report too.
    void threadsSayingTheSameAreHeardOnce()
    {
        logged.clear();
        H264Decoder decoder;
        const QtMessageHandler previous = qInstallMessageHandler(collect);
        std::vector<std::thread> threads;
        for (int t = 0; t < 4; ++t)
            threads.emplace_back([] {
                for (int i = 0; i < 200; ++i)
                    av_log(&muxer, AV_LOG_ERROR, "slice %d lost\n", i);
            });
        for (std::thread& thread : threads)
            thread.join();
        qInstallMessageHandler(previous);
        QCOMPARE(logged, QStringList{"Vidlet: FFmpeg mp4: slice 0 lost"});
    }
};

QTEST_GUILESS_MAIN(FfmpegLogTest)
#include "FfmpegLogTest.moc"
