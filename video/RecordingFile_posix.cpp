#include "video/RecordingFile.h"

#include <QFile>
#include <QtGlobal>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

extern "C" {
#include <libavformat/avio.h>
#include <libavutil/error.h>
#include <libavutil/mem.h>
}

namespace {

constexpr int bufferSize = 64 * 1024;

// Every byte or an error: the muxer returns a failed write from the packet write that flushed
// it, so a full disk ends the recording instead of vanishing in a buffer.
int writeAll(int fd, const std::uint8_t* bytes, int size)
{
    int done = 0;
    while (done < size) {
        const ssize_t n = ::write(fd, bytes + done, std::size_t(size - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return AVERROR(n < 0 ? errno : ENOSPC);
        done += int(n);
    }
    return done;
}

std::int64_t seekIn(int fd, std::int64_t offset, int whence)
{
    if (whence & AVSEEK_SIZE) {
        struct stat info {};
        return fstat(fd, &info) == 0 ? info.st_size : AVERROR(errno);
    }
    const off_t at = lseek(fd, off_t(offset), whence & ~AVSEEK_FORCE);
    return at < 0 ? AVERROR(errno) : at;
}

} // namespace

RecordingFile::~RecordingFile()
{
    close();
}

bool RecordingFile::open(const QString& path)
{
    const QByteArray name = QFile::encodeName(path);
    fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    created = fd >= 0;
    if (fd < 0 && errno == EEXIST) {
        fd = ::open(name.constData(), O_WRONLY | O_CLOEXEC | O_NOFOLLOW);
        struct stat info {};
        if (fd >= 0 && (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size != 0)) {
            ::close(fd);
            fd = -1;
            errno = EEXIST;
        }
    }
    if (fd < 0) {
        qWarning("Vidlet: cannot create the recording %s: %s", qPrintable(path),
                 std::strerror(errno));
        return false;
    }
    auto* buffer = static_cast<unsigned char*>(av_malloc(bufferSize));
    // FFmpeg 6.1 made the written bytes const.
    const auto write = [](void* file, auto* bytes, int size) {
        return writeAll(static_cast<RecordingFile*>(file)->fd, bytes, size);
    };
    const auto seek = [](void* file, std::int64_t offset, int whence) {
        return seekIn(static_cast<RecordingFile*>(file)->fd, offset, whence);
    };
    context =
        buffer ? avio_alloc_context(buffer, bufferSize, 1, this, nullptr, write, seek) : nullptr;
    if (!context) {
        av_free(buffer);
        close();
        return false;
    }
    return true;
}

void RecordingFile::close()
{
    if (context) {
        av_freep(&context->buffer);
        avio_context_free(&context);
    }
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}

bool RecordingFile::removed() const
{
    struct stat info {};
    return fd >= 0 && fstat(fd, &info) == 0 && info.st_nlink == 0;
}
