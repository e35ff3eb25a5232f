#include "tests/video/ReferenceBgr.h"
#include "video/YuvToBgr.h"

#include <QRandomGenerator>
#include <QTest>

#include <array>

class YuvToBgrTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void documentedValues_data();
    void documentedValues();
    void matchesFormulaForEverySizeAndPitch_data();
    void matchesFormulaForEverySizeAndPitch();
    void matchesFormulaForEveryYuvTriple();
};

namespace {

enum class Layout { I420, Nv12 };

// A picture in either layout with the given row padding; the padding bytes hold 0xEE so a
// conversion that reads them gives different output.
struct Planes {
    int width, height, yPitch, chromaPitch;
    std::vector<std::uint8_t> y, u, v, uv;
};

Planes makePlanes(int width, int height, int padding, QRandomGenerator& random)
{
    Planes p{width, height, width + padding, (width + 1) / 2 + padding, {}, {}, {}, {}};
    const int ch = (height + 1) / 2;
    p.y.assign(std::size_t(p.yPitch) * height, 0xEE);
    p.u.assign(std::size_t(p.chromaPitch) * ch, 0xEE);
    p.v.assign(std::size_t(p.chromaPitch) * ch, 0xEE);
    p.uv.assign(std::size_t(p.chromaPitch) * 2 * ch, 0xEE);
    for (int r = 0; r < height; ++r)
        for (int x = 0; x < width; ++x)
            p.y[std::size_t(r) * p.yPitch + x] = std::uint8_t(random.bounded(256));
    for (int r = 0; r < ch; ++r)
        for (int x = 0; x < (width + 1) / 2; ++x) {
            const auto u = std::uint8_t(random.bounded(256));
            const auto v = std::uint8_t(random.bounded(256));
            p.u[std::size_t(r) * p.chromaPitch + x] = u;
            p.v[std::size_t(r) * p.chromaPitch + x] = v;
            p.uv[std::size_t(r) * p.chromaPitch * 2 + 2 * x] = u;
            p.uv[std::size_t(r) * p.chromaPitch * 2 + 2 * x + 1] = v;
        }
    return p;
}

// Runs the conversion into a buffer with guard bytes behind the frame and checks they survive.
std::vector<std::uint8_t> convert(const Planes& p, Layout layout)
{
    const std::size_t size = std::size_t(p.width) * p.height * 3;
    std::vector<std::uint8_t> out(size + 64, 0x5A);
    if (layout == Layout::I420)
        YuvToBgr::fromI420(p.y.data(), p.yPitch, p.u.data(), p.chromaPitch, p.v.data(),
                           p.chromaPitch, p.width, p.height, out.data());
    else
        YuvToBgr::fromNv12(p.y.data(), p.yPitch, p.uv.data(), p.chromaPitch * 2, p.width, p.height,
                           out.data());
    for (std::size_t i = size; i < out.size(); ++i)
        if (out[i] != 0x5A)
            qFatal("conversion wrote past the frame at byte %zu", i);
    out.resize(size);
    return out;
}

std::vector<std::uint8_t> reference(const Planes& p, Layout layout)
{
    return layout == Layout::I420 ? referenceBgr(p.y.data(), p.yPitch, p.u.data(), p.v.data(),
                                                 p.chromaPitch, 1, p.width, p.height)
                                  : referenceBgr(p.y.data(), p.yPitch, p.uv.data(), p.uv.data() + 1,
                                                 p.chromaPitch * 2, 2, p.width, p.height);
}

} // namespace

void YuvToBgrTest::documentedValues_data()
{
    QTest::addColumn<int>("y");
    QTest::addColumn<int>("u");
    QTest::addColumn<int>("v");
    QTest::addColumn<int>("b");
    QTest::addColumn<int>("g");
    QTest::addColumn<int>("r");
    QTest::newRow("limited-range black") << 16 << 128 << 128 << 0 << 0 << 0;
    QTest::newRow("limited-range white") << 235 << 128 << 128 << 255 << 255 << 255;
    QTest::newRow("below black clamps") << 0 << 128 << 128 << 0 << 0 << 0;
    QTest::newRow("above white clamps") << 255 << 128 << 128 << 255 << 255 << 255;
    QTest::newRow("pure blue clamps") << 41 << 240 << 110 << 255 << 0 << 0;
    QTest::newRow("mid grey") << 126 << 128 << 128 << 128 << 128 << 128;
    QTest::newRow("extreme chroma") << 0 << 255 << 0 << 237 << 36 << 0;
}

// Every kernel path sees the value: a 64-pixel-wide picture goes through the vector kernel on
// processors that have one, and the odd column through the scalar tail.
void YuvToBgrTest::documentedValues()
{
    QFETCH(int, y);
    QFETCH(int, u);
    QFETCH(int, v);
    QFETCH(int, b);
    QFETCH(int, g);
    QFETCH(int, r);
    constexpr int width = 65, height = 3;
    const std::vector<std::uint8_t> luma(width * height, std::uint8_t(y));
    const std::vector<std::uint8_t> cb(33 * 2, std::uint8_t(u)), cr(33 * 2, std::uint8_t(v));
    std::vector<std::uint8_t> uv;
    for (int i = 0; i < 33 * 2; ++i)
        uv.insert(uv.end(), {std::uint8_t(u), std::uint8_t(v)});
    std::vector<std::uint8_t> i420(width * height * 3), nv12(width * height * 3);
    YuvToBgr::fromI420(luma.data(), width, cb.data(), 33, cr.data(), 33, width, height,
                       i420.data());
    YuvToBgr::fromNv12(luma.data(), width, uv.data(), 66, width, height, nv12.data());
    for (int i = 0; i < width * height; ++i) {
        const std::array<int, 3> expected{b, g, r};
        for (int k = 0; k < 3; ++k) {
            QCOMPARE(int(i420[i * 3 + k]), expected[k]);
            QCOMPARE(int(nv12[i * 3 + k]), expected[k]);
        }
    }
}

void YuvToBgrTest::matchesFormulaForEverySizeAndPitch_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<int>("padding");
    const std::array<std::array<int, 2>, 11> sizes{{{1, 1},
                                                    {2, 2},
                                                    {3, 1},
                                                    {31, 17},
                                                    {32, 2},
                                                    {33, 3},
                                                    {63, 4},
                                                    {64, 5},
                                                    {97, 7},
                                                    {321, 241},
                                                    {1280, 720}}};
    for (const auto& s : sizes)
        for (int padding : {0, 13, 64})
            QTest::addRow("%dx%d pitch +%d", s[0], s[1], padding) << s[0] << s[1] << padding;
}

void YuvToBgrTest::matchesFormulaForEverySizeAndPitch()
{
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(int, padding);
    QRandomGenerator random(quint32(width * 7919 + height * 31 + padding));
    const Planes planes = makePlanes(width, height, padding, random);
    for (Layout layout : {Layout::I420, Layout::Nv12}) {
        const auto ours = convert(planes, layout);
        const auto expected = reference(planes, layout);
        for (std::size_t i = 0; i < ours.size(); ++i)
            if (ours[i] != expected[i])
                QFAIL(qPrintable(QStringLiteral("%1: pixel %2 byte %3 is %4, formula gives %5")
                                     .arg(layout == Layout::I420 ? "I420" : "NV12")
                                     .arg(i / 3)
                                     .arg(i % 3)
                                     .arg(ours[i])
                                     .arg(expected[i])));
    }
}

// All 16.7 million (Y, U, V) triples, laid out so that most go through the vector kernel: one
// chroma sample per (U, V) pair across a two-row picture, 4 luma values each, 64 pictures.
void YuvToBgrTest::matchesFormulaForEveryYuvTriple()
{
    constexpr int pairs = 256 * 256;
    constexpr int width = pairs * 2, height = 2;
    Planes p{width,
             height,
             width,
             pairs,
             std::vector<std::uint8_t>(std::size_t(width) * height),
             std::vector<std::uint8_t>(pairs),
             std::vector<std::uint8_t>(pairs),
             std::vector<std::uint8_t>(pairs * 2)};
    for (int i = 0; i < pairs; ++i) {
        p.u[i] = p.uv[2 * i] = std::uint8_t(i & 0xFF);
        p.v[i] = p.uv[2 * i + 1] = std::uint8_t(i >> 8);
    }
    for (int round = 0; round < 64; ++round) {
        for (int i = 0; i < pairs; ++i)
            for (int k = 0; k < 4; ++k)
                p.y[std::size_t(k / 2) * width + 2 * i + k % 2] = std::uint8_t(round * 4 + k);
        for (Layout layout : {Layout::I420, Layout::Nv12})
            QVERIFY(convert(p, layout) == reference(p, layout));
    }
}

QTEST_GUILESS_MAIN(YuvToBgrTest)
#include "YuvToBgrTest.moc"
