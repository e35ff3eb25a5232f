#include "tests/pipewire/TestCamera.h"

#include "softcam/softcam.h"
#include "tools/common/FrameStamp.h"

#include <QMetaObject>
#include <QRegularExpression>

#include <cstdlib>

namespace {

// BGR colours of the four quarters, left to right, top to bottom.
constexpr unsigned char kQuarters[4][3] = {
    {40, 40, 200}, {60, 180, 40}, {200, 60, 50}, {128, 128, 128}};

int quarterAt(int x, int y, int width, int height)
{
    return (y >= height / 2 ? 2 : 0) + (x >= width / 2 ? 1 : 0);
}

} // namespace

TestCamera::TestCamera()
{
    scSetLogCallback(
        [](const char* line, void* self) {
            const QString text = QString::fromUtf8(line);
            QMetaObject::invokeMethod(static_cast<TestCamera*>(self), [self, text] {
                static_cast<TestCamera*>(self)->lines << text;
            });
        },
        this);
    connect(&pacing, &QTimer::timeout, this, &TestCamera::sendNext);
    pacing.setTimerType(Qt::PreciseTimer);
}

TestCamera::~TestCamera()
{
    destroy();
    scSetLogCallback(nullptr, nullptr);
}

bool TestCamera::create(int width, int height, float fps)
{
    destroy();
    return take(scCreateCamera(width, height, fps), width, height, fps);
}

bool TestCamera::remake(int width, int height, float fps)
{
    pacing.stop();
    void* made = scRemakeCamera(camera, width, height, fps);
    camera = nullptr;
    return take(made, width, height, fps);
}

bool TestCamera::take(void* made, int width, int height, float fps)
{
    camera = made;
    if (!camera)
        return false;
    frameWidth = width;
    frameHeight = height;
    frame.resize(std::size_t(width) * height * 3);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            std::copy_n(kQuarters[quarterAt(x, y, width, height)], 3,
                        frame.data() + (std::size_t(y) * width + x) * 3);
    stamped = false;
    held = false;
    for (Plane& plane : planes)
        plane = Plane{};
    pacing.start(int(1000 / fps));
    return true;
}

void TestCamera::destroy()
{
    pacing.stop();
    scDeleteCamera(camera);
    camera = nullptr;
}

bool TestCamera::isConnected() const
{
    return camera && scIsConnected(camera);
}

bool TestCamera::isOnPipewire() const
{
    return camera && scIsOnPipewire(camera);
}

bool TestCamera::isReadThroughPipewire() const
{
    return camera && scIsReadThroughPipewire(camera);
}

QString TestCamera::negotiatedFormat() const
{
    static const QRegularExpression negotiated(
        QStringLiteral("reads the PipeWire camera as (\\w+)"));
    QString format;
    for (const QString& line : lines)
        if (const auto match = negotiated.match(line); match.hasMatch())
            format = match.captured(1);
    return format;
}

void TestCamera::sendI420(const std::vector<unsigned char>& i420)
{
    const int sides[3][2] = {{frameWidth, frameHeight},
                             {frameWidth / 2, frameHeight / 2},
                             {frameWidth / 2, frameHeight / 2}};
    const unsigned char* packed = i420.data();
    for (int p = 0; p < 3; ++p) {
        const auto [width, height] = sides[p];
        Plane& plane = planes[p];
        plane.stride = width + 32 + 16 * p;
        plane.rows.assign(std::size_t(plane.stride) * height, 0xFF);
        for (int row = 0; row < height; ++row, packed += width)
            std::copy_n(packed, width, plane.rows.data() + std::size_t(row) * plane.stride);
    }
}

void TestCamera::sendNext()
{
    if (!planes[0].rows.empty()) {
        scSendFrameI420(camera, planes[0].rows.data(), planes[0].stride, planes[1].rows.data(),
                        planes[1].stride, planes[2].rows.data(), planes[2].stride);
        return;
    }
    if (!held || !stamped)
        FrameStamp{++number, FrameStamp::nowUsec()}.encodeBgr(frame.data(), frameWidth,
                                                              frameHeight);
    stamped = true;
    scSendFrame(camera, frame.data());
}

std::optional<QString> TestCamera::differences(const unsigned char* bgr, int tolerance) const
{
    for (int quarter = 0; quarter < 4; ++quarter) {
        // The middle of each quarter, away from the stamp and the edges chroma blurs.
        const int x = (quarter % 2 ? 3 : 1) * frameWidth / 4;
        const int y = (quarter / 2 ? 3 : 1) * frameHeight / 4;
        const unsigned char* seen = bgr + (std::size_t(y) * frameWidth + x) * 3;
        for (int channel = 0; channel < 3; ++channel)
            if (std::abs(int(seen[channel]) - int(kQuarters[quarter][channel])) > tolerance)
                return QStringLiteral("at %1,%2 BGR %3 %4 %5, sent %6 %7 %8")
                    .arg(x)
                    .arg(y)
                    .arg(seen[0])
                    .arg(seen[1])
                    .arg(seen[2])
                    .arg(kQuarters[quarter][0])
                    .arg(kQuarters[quarter][1])
                    .arg(kQuarters[quarter][2]);
    }
    return std::nullopt;
}
