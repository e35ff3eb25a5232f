#include "tests/video/ReferenceBgr.h"
#include "video/YuvToBgrX86.h"

#include <QTest>

// Each vector kernel on its own, whatever the dispatcher would pick on this processor.
class YuvToBgrX86Test : public QObject {
    Q_OBJECT

private slots:
    void matchesFormulaForEveryYuvTriple_data();
    void matchesFormulaForEveryYuvTriple();
    void convertsWholeBlocksAndWritesNothingBeyond_data();
    void convertsWholeBlocksAndWritesNothingBeyond();
};

namespace {

struct Kernel {
    bool available;
    int block;
    int (*i420)(const std::uint8_t*, const std::uint8_t*, const std::uint8_t*, std::uint8_t*, int);
    int (*nv12)(const std::uint8_t*, const std::uint8_t*, std::uint8_t*, int);
};

Kernel kernel(const QString& name)
{
    using namespace YuvToBgrX86;
    if (name == "AVX2")
        return {hasAvx2(), 32, i420RowAvx2, nv12RowAvx2};
    return {hasAvx512(), 64, i420RowAvx512, nv12RowAvx512};
}

void addKernels()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("AVX2") << "AVX2";
    QTest::newRow("AVX-512") << "AVX-512";
}

} // namespace

void YuvToBgrX86Test::matchesFormulaForEveryYuvTriple_data()
{
    addKernels();
}

// One row of 65536 pixel pairs, one per (U, V), run 128 times with two new luma values per pair.
void YuvToBgrX86Test::matchesFormulaForEveryYuvTriple()
{
    QFETCH(QString, name);
    const Kernel k = kernel(name);
    if (!k.available)
        QSKIP("this processor lacks the instructions");
    constexpr int pairs = 256 * 256, width = pairs * 2;
    std::vector<std::uint8_t> y(width), u(pairs), v(pairs), uv(width), out(std::size_t(width) * 3);
    for (int i = 0; i < pairs; ++i) {
        u[i] = uv[2 * i] = std::uint8_t(i & 0xFF);
        v[i] = uv[2 * i + 1] = std::uint8_t(i >> 8);
    }
    for (int round = 0; round < 128; ++round) {
        for (int i = 0; i < width; ++i)
            y[i] = std::uint8_t(round * 2 + i % 2);
        const auto expected = referenceBgr(y.data(), width, u.data(), v.data(), pairs, 1, width, 1);
        QCOMPARE(k.i420(y.data(), u.data(), v.data(), out.data(), width), width);
        QVERIFY(out == expected);
        QCOMPARE(k.nv12(y.data(), uv.data(), out.data(), width), width);
        QVERIFY(out == expected);
    }
}

void YuvToBgrX86Test::convertsWholeBlocksAndWritesNothingBeyond_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("width");
    for (const char* name : {"AVX2", "AVX-512"})
        for (int width : {0, 1, 31, 32, 33, 63, 64, 65, 127, 128, 130})
            QTest::addRow("%s %d", name, width) << QString(name) << width;
}

void YuvToBgrX86Test::convertsWholeBlocksAndWritesNothingBeyond()
{
    QFETCH(QString, name);
    QFETCH(int, width);
    const Kernel k = kernel(name);
    if (!k.available)
        QSKIP("this processor lacks the instructions");
    std::vector<std::uint8_t> y(width + 1), u(width / 2 + 1), v(width / 2 + 1), uv(width + 2);
    for (int i = 0; i < width; ++i)
        y[i] = std::uint8_t(i * 37);
    for (std::size_t i = 0; i < u.size(); ++i) {
        u[i] = uv[2 * i] = std::uint8_t(i * 11 + 40);
        v[i] = uv[2 * i + 1] = std::uint8_t(250 - i * 13);
    }
    const int done = width / k.block * k.block;
    const auto expected = referenceBgr(y.data(), width, u.data(), v.data(), 0, 1, width, 1);
    for (bool nv12 : {false, true}) {
        std::vector<std::uint8_t> out(std::size_t(width) * 3 + 64, 0xA5);
        QCOMPARE(nv12 ? k.nv12(y.data(), uv.data(), out.data(), width)
                      : k.i420(y.data(), u.data(), v.data(), out.data(), width),
                 done);
        QVERIFY(std::equal(out.begin(), out.begin() + done * 3, expected.begin()));
        QVERIFY(std::all_of(out.begin() + done * 3, out.end(), [](std::uint8_t b) { return b == 0xA5; }));
    }
}

QTEST_GUILESS_MAIN(YuvToBgrX86Test)
#include "YuvToBgrX86Test.moc"
