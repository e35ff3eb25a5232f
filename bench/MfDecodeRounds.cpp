// The Media Foundation side of bench_decode_wine, run by it under Wine: decodes and converts the
// stream in the file named on the command line once for every line on standard input, and
// answers each with the milliseconds that took and the pictures it gave.
#include "tests/video/StreamFile.h"
#include "video/H264Decoder.h"

#include <windows.h>

#include <cstdio>

int main(int argc, char** argv)
{
    std::vector<StreamFile::Record> buffers;
    if (argc != 4 || !StreamFile::read(argv[1], buffers, false)) {
        std::fprintf(stderr, "usage: MfDecodeRounds STREAMFILE WIDTH HEIGHT\n");
        return 2;
    }
    const int width = std::atoi(argv[2]);
    const int height = std::atoi(argv[3]);
    // Releases the picture Wine's decoder holds back until something follows it.
    const unsigned char delimiter[] = {0, 0, 0, 1, 9, 0xF0};
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    char line[16];
    while (std::fgets(line, sizeof line, stdin)) {
        H264Decoder decoder;
        int pictures = 0;
        decoder.frameCallback = [&](const unsigned char*, int, int, unsigned long long) {
            ++pictures;
        };
        LARGE_INTEGER begin, end;
        QueryPerformanceCounter(&begin);
        decoder.initialize(width, height);
        for (const auto& buffer : buffers)
            decoder.decode(buffer.bytes.data(), buffer.bytes.size(), buffer.ptsUsec);
        decoder.decode(delimiter, sizeof delimiter, 0);
        QueryPerformanceCounter(&end);
        std::printf("%.3f %d\n",
                    double(end.QuadPart - begin.QuadPart) * 1000.0 / double(frequency.QuadPart),
                    pictures);
        std::fflush(stdout);
    }
    return 0;
}
