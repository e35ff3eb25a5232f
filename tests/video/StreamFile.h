#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// Test streams and decoded pictures as files, so that one platform's decoder can be checked
// against another's on the same bytes. Plain C++: the Linux tool that writes them and the
// Windows test that reads them share this file. Numbers are little-endian.
//
//   stream file:  per buffer   u32 size, u64 ptsUsec, size bytes     (SPS/PPS first, pts 0)
//   picture file: per picture  u32 width, u32 height, u64 ptsUsec, width * height * 3 BGR bytes
namespace StreamFile {

struct Record {
    int width = 0; // pictures only
    int height = 0;
    unsigned long long ptsUsec = 0;
    std::vector<std::uint8_t> bytes;
};

inline void putNumber(std::FILE* file, unsigned long long value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        std::fputc(int((value >> (8 * i)) & 0xFF), file);
}

inline bool getNumber(std::FILE* file, unsigned long long& value, int bytes)
{
    value = 0;
    for (int i = 0; i < bytes; ++i) {
        const int c = std::fgetc(file);
        if (c == EOF)
            return false;
        value |= (unsigned long long)(c) << (8 * i);
    }
    return true;
}

inline bool write(const std::string& path, const std::vector<Record>& records, bool pictures)
{
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return false;
    for (const Record& r : records) {
        if (pictures) {
            putNumber(file, unsigned(r.width), 4);
            putNumber(file, unsigned(r.height), 4);
        } else {
            putNumber(file, r.bytes.size(), 4);
        }
        putNumber(file, r.ptsUsec, 8);
        std::fwrite(r.bytes.data(), 1, r.bytes.size(), file);
    }
    return std::fclose(file) == 0;
}

// False when the file is missing or ends inside a record.
inline bool read(const std::string& path, std::vector<Record>& records, bool pictures)
{
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        return false;
    records.clear();
    bool whole = true;
    unsigned long long first = 0;
    while (getNumber(file, first, 4)) {
        Record r;
        unsigned long long second = 0;
        std::size_t size = std::size_t(first);
        if (pictures) {
            whole = getNumber(file, second, 4) && first <= 8192 && second <= 8192;
            r.width = int(first);
            r.height = int(second);
            size = std::size_t(first) * std::size_t(second) * 3;
        }
        whole = whole && size <= (1u << 28) && getNumber(file, r.ptsUsec, 8);
        if (whole) {
            r.bytes.resize(size);
            whole = std::fread(r.bytes.data(), 1, size, file) == size;
        }
        if (!whole)
            break;
        records.push_back(std::move(r));
    }
    std::fclose(file);
    return whole;
}

} // namespace StreamFile
