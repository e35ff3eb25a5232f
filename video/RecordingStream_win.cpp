#include "video/RecordingStream_win.h"

#include <cstring>

namespace {

// Read and write for the recorder, delete for a failed start; others may only read.
constexpr DWORD access = GENERIC_READ | GENERIC_WRITE | DELETE;
constexpr DWORD othersMay = FILE_SHARE_READ;

HANDLE createNew(const std::wstring& path)
{
    return CreateFileW(path.c_str(), access, othersMay, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                       nullptr);
}

// An empty regular file, not followed through a link: the name the caller reserved.
HANDLE openReserved(const std::wstring& path)
{
    HANDLE file = CreateFileW(path.c_str(), access, othersMay, nullptr, OPEN_EXISTING,
                              FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return file;
    BY_HANDLE_FILE_INFORMATION info{};
    const DWORD notPlain = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT;
    if (GetFileType(file) == FILE_TYPE_DISK && GetFileInformationByHandle(file, &info)
        && !(info.dwFileAttributes & notPlain) && info.nFileSizeLow == 0 && info.nFileSizeHigh == 0)
        return file;
    CloseHandle(file);
    return INVALID_HANDLE_VALUE;
}

HRESULT lastError()
{
    const DWORD error = GetLastError();
    if (error == ERROR_DISK_FULL || error == ERROR_HANDLE_DISK_FULL)
        return STG_E_MEDIUMFULL;
    return HRESULT_FROM_WIN32(error);
}

} // namespace

RecordingStream* RecordingStream::claim(const std::wstring& path)
{
    HANDLE file = createNew(path);
    const bool created = file != INVALID_HANDLE_VALUE;
    if (!created && GetLastError() == ERROR_FILE_EXISTS)
        file = openReserved(path);
    return file == INVALID_HANDLE_VALUE ? nullptr : new RecordingStream(file, path, created);
}

RecordingStream::RecordingStream(HANDLE file, const std::wstring& path, bool created)
    : file(file),
      path(path),
      created(created)
{
}

RecordingStream::~RecordingStream()
{
    CloseHandle(file);
}

void RecordingStream::discard()
{
    if (!created)
        return;
    FILE_DISPOSITION_INFO gone{};
    gone.DeleteFile = TRUE;
    SetFileInformationByHandle(file, FileDispositionInfo, &gone, sizeof gone);
}

HRESULT RecordingStream::QueryInterface(REFIID id, void** object)
{
    if (!object)
        return E_POINTER;
    if (id == IID_IUnknown || id == IID_ISequentialStream || id == IID_IStream) {
        *object = static_cast<IStream*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG RecordingStream::AddRef()
{
    return ULONG(InterlockedIncrement(&references));
}

ULONG RecordingStream::Release()
{
    const LONG left = InterlockedDecrement(&references);
    if (left == 0)
        delete this;
    return ULONG(left);
}

HRESULT RecordingStream::Read(void* bytes, ULONG size, ULONG* done)
{
    DWORD read = 0;
    const BOOL ok = ReadFile(file, bytes, size, &read, nullptr);
    if (done)
        *done = read;
    if (!ok)
        return lastError();
    return read == size ? S_OK : S_FALSE;
}

HRESULT RecordingStream::Write(const void* bytes, ULONG size, ULONG* done)
{
    // Every byte or an error, so that a full disk ends the recording.
    ULONG written = 0;
    HRESULT result = S_OK;
    while (written < size) {
        DWORD n = 0;
        if (!WriteFile(file, static_cast<const BYTE*>(bytes) + written, size - written, &n,
                       nullptr)) {
            result = lastError();
            break;
        }
        if (n == 0) {
            result = STG_E_MEDIUMFULL;
            break;
        }
        written += n;
    }
    if (done)
        *done = written;
    return result;
}

HRESULT RecordingStream::Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* position)
{
    // STREAM_SEEK_SET, _CUR and _END are FILE_BEGIN, _CURRENT and _END.
    if (origin > STREAM_SEEK_END)
        return STG_E_INVALIDFUNCTION;
    LARGE_INTEGER at{};
    if (!SetFilePointerEx(file, move, &at, origin))
        return lastError();
    if (position)
        position->QuadPart = ULONGLONG(at.QuadPart);
    return S_OK;
}

HRESULT RecordingStream::SetSize(ULARGE_INTEGER size)
{
    LARGE_INTEGER here{}, none{}, end{};
    end.QuadPart = LONGLONG(size.QuadPart);
    if (!SetFilePointerEx(file, none, &here, FILE_CURRENT)
        || !SetFilePointerEx(file, end, nullptr, FILE_BEGIN) || !SetEndOfFile(file)) {
        const HRESULT failed = lastError();
        SetFilePointerEx(file, here, nullptr, FILE_BEGIN);
        return failed;
    }
    return SetFilePointerEx(file, here, nullptr, FILE_BEGIN) ? S_OK : lastError();
}

HRESULT RecordingStream::CopyTo(IStream*, ULARGE_INTEGER, ULARGE_INTEGER*, ULARGE_INTEGER*)
{
    return E_NOTIMPL;
}

HRESULT RecordingStream::Commit(DWORD)
{
    return S_OK; // writes go straight to the file
}

HRESULT RecordingStream::Revert()
{
    return E_NOTIMPL;
}

HRESULT RecordingStream::LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD)
{
    return STG_E_INVALIDFUNCTION;
}

HRESULT RecordingStream::UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD)
{
    return STG_E_INVALIDFUNCTION;
}

HRESULT RecordingStream::Stat(STATSTG* info, DWORD flags)
{
    if (!info)
        return STG_E_INVALIDPOINTER;
    *info = STATSTG{};
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file, &size))
        return lastError();
    info->type = STGTY_STREAM;
    info->cbSize.QuadPart = ULONGLONG(size.QuadPart);
    info->grfMode = STGM_READWRITE | STGM_SHARE_DENY_WRITE;
    if (!(flags & STATFLAG_NONAME)) {
        const std::size_t bytes = (path.size() + 1) * sizeof(wchar_t);
        info->pwcsName = static_cast<LPOLESTR>(CoTaskMemAlloc(bytes));
        if (!info->pwcsName)
            return STG_E_INSUFFICIENTMEMORY;
        std::memcpy(info->pwcsName, path.c_str(), bytes);
    }
    return S_OK;
}

HRESULT RecordingStream::Clone(IStream** copy)
{
    if (copy)
        *copy = nullptr;
    return E_NOTIMPL;
}
