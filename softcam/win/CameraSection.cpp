#include "softcam/win/CameraSection.h"

#include "softcam/win/UserOnlySecurity.h"

#include <cstdio>
#include <cwchar>
#include <string>

namespace softcam {
namespace {

constexpr const wchar_t* kDirectoryName = L"Local\\VidletCameraDirectory";
constexpr const wchar_t* kWriterLockName = L"Local\\VidletCameraWriter";
constexpr std::size_t kDirectoryBytes = 4096;

static_assert(sizeof(CameraDirectory) <= kDirectoryBytes);

std::wstring frameSectionName(std::uint64_t serial)
{
    wchar_t name[64];
    std::swprintf(name, 64, L"Local\\VidletCameraFrames.%016llx",
                  static_cast<unsigned long long>(serial));
    return name;
}

UserOnlySecurity& security()
{
    static UserOnlySecurity process;
    return process;
}

// A name another user made first is never used: it could show them every frame, or feed the
// reader theirs.
bool refuseForeign(HANDLE object)
{
    if (security().ownedByUser(object))
        return false;
    std::fprintf(stderr, "Vidlet: a camera object belongs to another user; not using it\n");
    return true;
}

} // namespace

bool SectionView::create(const wchar_t* name, std::size_t size, bool* existed)
{
    close();
    const auto large = static_cast<unsigned long long>(size);
    section = CreateFileMappingW(INVALID_HANDLE_VALUE, security().attributes(), PAGE_READWRITE,
                                 DWORD(large >> 32), DWORD(large & 0xFFFFFFFFu), name);
    if (!section)
        return false;
    const bool found = GetLastError() == ERROR_ALREADY_EXISTS;
    if (existed)
        *existed = found;
    if (found && refuseForeign(section)) {
        close();
        return false;
    }
    view = MapViewOfFile(section, FILE_MAP_ALL_ACCESS, 0, 0, size);
    if (!view) {
        close();
        return false;
    }
    bytes = size;
    return true;
}

bool SectionView::open(const wchar_t* name)
{
    close();
    section = OpenFileMappingW(FILE_MAP_ALL_ACCESS, FALSE, name);
    if (!section || refuseForeign(section)) {
        close();
        return false;
    }
    view = MapViewOfFile(section, FILE_MAP_ALL_ACCESS, 0, 0, 0);
    MEMORY_BASIC_INFORMATION info{};
    if (!view || !VirtualQuery(view, &info, sizeof info)) {
        close();
        return false;
    }
    // The whole section is one region of the view; its size bounds what may be read.
    bytes = info.RegionSize;
    return true;
}

void SectionView::close()
{
    if (view)
        UnmapViewOfFile(view);
    if (section)
        CloseHandle(section);
    view = nullptr;
    section = nullptr;
    bytes = 0;
}

std::unique_ptr<CameraPublisher> CameraPublisher::create(int width, int height, float fps)
{
    if (!validCameraSize(width, height))
        return nullptr;
    std::unique_ptr<CameraPublisher> camera(new CameraPublisher);
    camera->writerLock = CreateMutexW(security().attributes(), FALSE, kWriterLockName);
    if (!camera->writerLock || GetLastError() == ERROR_ALREADY_EXISTS) {
        std::fprintf(stderr, "Vidlet: another camera is alive in this session\n");
        return nullptr;
    }
    if (!camera->directoryView.create(kDirectoryName, kDirectoryBytes))
        return nullptr;
    camera->directory = static_cast<CameraDirectory*>(camera->directoryView.data());

    static std::atomic<std::uint32_t> cameraCount{0};
    camera->serial = (std::uint64_t(GetCurrentProcessId()) << 32) | ++cameraCount;
    camera->slotBytes = frameBytes(width, height);
    bool existed = false;
    if (!camera->frameView.create(frameSectionName(camera->serial).c_str(),
                                  segmentBytes(camera->slotBytes), &existed)
        || existed) {
        std::fprintf(stderr, "Vidlet: cannot make the camera's frame section\n");
        return nullptr;
    }
    // Fresh pages are zero: every atomic starts at 0 and the state at Starting.
    SharedFrameHeader* header = static_cast<SharedFrameHeader*>(camera->frameView.data());
    header->magic = kMagic;
    header->version = kVersion;
    header->width = width;
    header->height = height;
    header->fps = fps;
    header->writerPid = std::int32_t(GetCurrentProcessId());
    header->slotBytes = camera->slotBytes;
    header->state.store(Live, std::memory_order_release);
    camera->header = header;
    camera->directory->liveSerial.store(camera->serial, std::memory_order_release);
    return camera;
}

CameraPublisher::~CameraPublisher()
{
    if (header) {
        // Readers still mapping the section see Stopped and show the no-camera picture.
        header->state.store(Stopped, std::memory_order_release);
        std::uint64_t mine = serial;
        directory->liveSerial.compare_exchange_strong(mine, 0, std::memory_order_acq_rel);
    }
    frameView.close();
    directoryView.close();
    if (writerLock)
        CloseHandle(writerLock);
}

void CameraPublisher::sendFrame(const unsigned char* bgr)
{
    writeFrame(header, slotBytes, writer, bgr, ++published);
}

bool CameraPublisher::isConnected() const
{
    if (directory->runningReaders.load(std::memory_order_acquire) == 0)
        return false;
    // A reader that died while running never counted itself out; its beat goes stale.
    const std::uint64_t beat = directory->readerBeatMs.load(std::memory_order_relaxed);
    const std::uint64_t now = GetTickCount64();
    return beat != 0 && beat <= now && now - beat < kReaderBeatWindowMs;
}

CameraSubscriber::~CameraSubscriber()
{
    setRunning(false);
    detach();
}

bool CameraSubscriber::peekLiveCamera(int& liveWidth, int& liveHeight, float& fps)
{
    CameraSubscriber peek;
    if (!peek.attach())
        return false;
    liveWidth = peek.width;
    liveHeight = peek.height;
    fps = peek.header->fps;
    return true;
}

bool CameraSubscriber::openDirectory()
{
    if (!directory && directoryView.open(kDirectoryName)
        && directoryView.size() >= sizeof(CameraDirectory))
        directory = static_cast<CameraDirectory*>(directoryView.data());
    return directory != nullptr;
}

bool CameraSubscriber::attach()
{
    if (!openDirectory()) {
        detach();
        return false;
    }
    const std::uint64_t live = directory->liveSerial.load(std::memory_order_acquire);
    if (live != 0 && live == serial && header->state.load(std::memory_order_acquire) == Live
        && writerAlive())
        return true;
    detach();
    if (live == 0 || !frameView.open(frameSectionName(live).c_str()))
        return false;
    auto* candidate = static_cast<SharedFrameHeader*>(frameView.data());
    // The header is trusted only once Live, and only as far as it agrees with the section.
    const bool sane = frameView.size() >= kHeaderBytes
        && candidate->state.load(std::memory_order_acquire) == Live && candidate->magic == kMagic
        && candidate->version == kVersion && validCameraSize(candidate->width, candidate->height)
        && candidate->slotBytes == frameBytes(candidate->width, candidate->height)
        && segmentBytes(candidate->slotBytes) <= frameView.size();
    if (!sane) {
        frameView.close();
        return false;
    }
    writerProcess = OpenProcess(SYNCHRONIZE, FALSE, DWORD(candidate->writerPid));
    header = candidate;
    serial = live;
    slotBytes = candidate->slotBytes;
    width = candidate->width;
    height = candidate->height;
    lastNumber = 0;
    if (!writerAlive()) {
        detach();
        return false;
    }
    return true;
}

bool CameraSubscriber::writerAlive() const
{
    return writerProcess && WaitForSingleObject(writerProcess, 0) == WAIT_TIMEOUT;
}

void CameraSubscriber::detach()
{
    if (writerProcess)
        CloseHandle(writerProcess);
    writerProcess = nullptr;
    frameView.close();
    header = nullptr;
    serial = 0;
    slotBytes = 0;
    width = height = 0;
    lastNumber = 0;
}

bool CameraSubscriber::readNewFrame(std::vector<unsigned char>& bgr, int& frameWidth,
                                    int& frameHeight, bool& live)
{
    live = attach() && header->frameCount.load(std::memory_order_acquire) != 0;
    if (!live)
        return false;
    SlotCopy copy;
    if (!readLatestFrame(header, slotBytes, lastNumber, bgr, copy))
        return false;
    lastNumber = copy.number;
    frameWidth = width;
    frameHeight = height;
    return true;
}

void CameraSubscriber::setRunning(bool running)
{
    if (running == counted)
        return;
    if (running) {
        // The directory may not exist yet: a graph can run before Vidlet makes a camera.
        if (!directory) {
            if (!directoryView.create(kDirectoryName, kDirectoryBytes))
                return;
            directory = static_cast<CameraDirectory*>(directoryView.data());
        }
        directory->runningReaders.fetch_add(1, std::memory_order_acq_rel);
        beat();
    } else {
        directory->runningReaders.fetch_sub(1, std::memory_order_acq_rel);
    }
    counted = running;
}

void CameraSubscriber::beat()
{
    if (directory)
        directory->readerBeatMs.store(GetTickCount64(), std::memory_order_relaxed);
}

} // namespace softcam
