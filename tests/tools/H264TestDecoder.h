#pragma once

#include <QByteArray>

#include <memory>
#include <vector>

// libavcodec's H.264 decoder and swscale's conversion to packed BGR, as the PC's side of the
// tests: what the phone sends has to come out of a real decoder as real pictures.
class H264TestDecoder {
public:
    struct Picture {
        int width = 0;
        int height = 0;
        std::vector<unsigned char> bgr;
    };

    H264TestDecoder();
    ~H264TestDecoder();

    bool isOpen() const;
    // Decodes one Annex B chunk (parameter sets or an access unit); returns what came out.
    std::vector<Picture> decode(const QByteArray& annexB);

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};
