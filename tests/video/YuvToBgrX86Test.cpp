#include "system/CpuFeatures.h"
#include "tests/video/ReferenceBgr.h"
#include "video/BgrBuffer.h"
#include "video/YuvToBgrX86.h"

#include <QTest>

// Each vector kernel on its own, whatever the dispatcher would pick on this processor.
class YuvToBgrX86Test : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void matchesFormulaForEveryYuvTriple_data();
    void matchesFormulaForEveryYuvTriple();
    void convertsWholeBlocksAndWritesNothingBeyond_data();
    void convertsWholeBlocksAndWritesNothingBeyond();
};

namespace {

using Bytes = std::vector<std::uint8_t>;

struct Kernel {
    bool available;
    int block;
    int (*i420)(const std::uint8_t*, const std::uint8_t*, const std::uint8_t*, const std::uint8_t*,
                std::uint8_t*, std::uint8_t*, int);
    int (*nv12)(const std::uint8_t*, const std::uint8_t*, const std::uint8_t*, std::uint8_t*,
                std::uint8_t*, int);
};

Kernel kernel(const QString& name)
{
    using namespace YuvToBgrX86;
    if (name == "AVX2")
        return {CpuFeatures::hasAvx2(), 32, i420RowsAvx2, nv12RowsAvx2};
    return {CpuFeatures::hasAvx512(), 64, i420RowsAvx512, nv12RowsAvx512};
}

Bytes referenceRow(const Bytes& y, const Bytes& u, const Bytes& v, int width)
{
    return referenceBgr(y.data(), width, u.data(), v.data(), 0, 1, width, 1);
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

// Two rows of 65536 pixel pairs, one per (U, V), run 64 times with four new luma values per pair.
void YuvToBgrX86Test::matchesFormulaForEveryYuvTriple()
{
    QFETCH(QString, name);
    const Kernel k = kernel(name);
    if (!k.available)
        QSKIP("this processor lacks the instructions");
    constexpr int pairs = 256 * 256, width = pairs * 2;
    Bytes y0(width), y1(width), u(pairs), v(pairs), uv(width);
    // Rows on cache lines: the kernels' streaming stores.
    BgrBuffer out0(std::size_t(width) * 3), out1(std::size_t(width) * 3);
    const auto same = [](const BgrBuffer& a, const Bytes& b) {
        return std::equal(a.begin(), a.end(), b.begin(), b.end());
    };
    for (int i = 0; i < pairs; ++i) {
        u[i] = uv[2 * i] = std::uint8_t(i & 0xFF);
        v[i] = uv[2 * i + 1] = std::uint8_t(i >> 8);
    }
    for (int round = 0; round < 64; ++round) {
        for (int i = 0; i < width; ++i) {
            y0[i] = std::uint8_t(round * 4 + i % 2);
            y1[i] = std::uint8_t(round * 4 + 2 + i % 2);
        }
        const Bytes expected0 = referenceRow(y0, u, v, width);
        const Bytes expected1 = referenceRow(y1, u, v, width);
        QCOMPARE(k.i420(y0.data(), y1.data(), u.data(), v.data(), out0.data(), out1.data(), width),
                 width);
        QVERIFY(same(out0, expected0) && same(out1, expected1));
        QCOMPARE(k.nv12(y0.data(), y1.data(), uv.data(), out0.data(), out1.data(), width), width);
        QVERIFY(same(out0, expected0) && same(out1, expected1));
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
    Bytes y0(width + 1), y1(width + 1), u(width / 2 + 1), v(width / 2 + 1), uv(width + 2);
    for (int i = 0; i < width; ++i) {
        y0[i] = std::uint8_t(i * 37);
        y1[i] = std::uint8_t(255 - i * 29);
    }
    for (std::size_t i = 0; i < u.size(); ++i) {
        u[i] = uv[2 * i] = std::uint8_t(i * 11 + 40);
        v[i] = uv[2 * i + 1] = std::uint8_t(250 - i * 13);
    }
    const int done = width / k.block * k.block;
    const Bytes expected0 = referenceRow(y0, u, v, width),
                expected1 = referenceRow(y1, u, v, width);
    // Rows on cache lines take streaming stores, others ordinary ones.
    for (const std::size_t offset : {0, 1})
        for (bool nv12 : {false, true}) {
            BgrBuffer rows0(std::size_t(width) * 3 + 64 + offset, 0xA5), rows1 = rows0;
            std::uint8_t* out0 = rows0.data() + offset;
            std::uint8_t* out1 = rows1.data() + offset;
            QCOMPARE(nv12 ? k.nv12(y0.data(), y1.data(), uv.data(), out0, out1, width)
                          : k.i420(y0.data(), y1.data(), u.data(), v.data(), out0, out1, width),
                     done);
            for (const auto& [out, expected] :
                 {std::pair{out0, &expected0}, std::pair{out1, &expected1}}) {
                QVERIFY(std::equal(out, out + done * 3, expected->begin()));
                QVERIFY(std::all_of(out + done * 3, out + width * 3 + 64,
                                    [](std::uint8_t b) { return b == 0xA5; }));
            }
        }
}

QTEST_GUILESS_MAIN(YuvToBgrX86Test)
#include "YuvToBgrX86Test.moc"
