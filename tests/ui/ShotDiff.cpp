// Compares two pictures of the same view made on different platforms, where fonts and their
// rendering differ but layout, colours and pictures must not:
//   vidlet-shotdiff A.png B.png
// Both are reduced to 8x8-pixel cells of grey; it prints the mean difference of the cells (0 to
// 255) and the share of cells that differ by more than a quarter of the range, and exits 0 when
// the mean is at most 9 and the share at most 4.5 %. Wine's fonts and the few pixels they shift
// a view by measured up to 6.2 and 3.0 %; the pairing view without its QR code measures 10.3 and
// 6.3 %, another view or the other colour scheme far more.
#include <QImage>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fputs("usage: vidlet-shotdiff A.png B.png\n", stderr);
        return 2;
    }
    const QImage a(QString::fromLocal8Bit(argv[1]));
    const QImage b(QString::fromLocal8Bit(argv[2]));
    if (a.isNull() || b.isNull() || a.size() != b.size()) {
        std::fprintf(stderr, "the pictures are missing or differ in size\n");
        return 1;
    }
    const QSize cells = a.size() / 8;
    const QImage ca = a.scaled(cells, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                          .convertToFormat(QImage::Format_Grayscale8);
    const QImage cb = b.scaled(cells, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                          .convertToFormat(QImage::Format_Grayscale8);
    long long total = 0;
    int far = 0;
    for (int y = 0; y < cells.height(); ++y) {
        for (int x = 0; x < cells.width(); ++x) {
            const int difference =
                std::abs(int(ca.constScanLine(y)[x]) - int(cb.constScanLine(y)[x]));
            total += difference;
            far += difference > 64;
        }
    }
    const double count = double(cells.width()) * cells.height();
    const double mean = double(total) / count;
    const double share = 100.0 * far / count;
    std::printf("mean cell difference %.2f, cells far apart %.2f %%\n", mean, share);
    return mean <= 9.0 && share <= 4.5 ? 0 : 1;
}
