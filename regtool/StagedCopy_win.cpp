#include "regtool/StagedCopy_win.h"

#include <windows.h>

#include <cstring>
#include <vector>

void StagedCopy::HandleCloser::operator()(void* handle) const
{
    CloseHandle(handle);
}

StagedCopy::Handle StagedCopy::openHeld(const std::wstring& path)
{
    // Shared for reading only: writers, renames and deletes fail while it is held. A link at the
    // name is opened as itself, so it never passes for the file it points at.
    HANDLE handle = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return nullptr;
    BY_HANDLE_FILE_INFORMATION information = {};
    if (!GetFileInformationByHandle(handle, &information)
        || (information.dwFileAttributes
            & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT))) {
        CloseHandle(handle);
        return nullptr;
    }
    return Handle(handle);
}

bool StagedCopy::sameBytes(void* held, const std::wstring& source)
{
    const Handle shipped(openHeld(source));
    LARGE_INTEGER heldSize = {};
    LARGE_INTEGER shippedSize = {};
    const LARGE_INTEGER start = {};
    if (!held || !shipped || !GetFileSizeEx(held, &heldSize)
        || !GetFileSizeEx(shipped.get(), &shippedSize) || heldSize.QuadPart != shippedSize.QuadPart
        || !SetFilePointerEx(held, start, nullptr, FILE_BEGIN))
        return false;
    std::vector<char> ours(1 << 16);
    std::vector<char> theirs(ours.size());
    for (LONGLONG left = heldSize.QuadPart; left > 0;) {
        const DWORD chunk = DWORD(left < LONGLONG(ours.size()) ? left : LONGLONG(ours.size()));
        DWORD a = 0;
        DWORD b = 0;
        if (!ReadFile(shipped.get(), ours.data(), chunk, &a, nullptr)
            || !ReadFile(held, theirs.data(), chunk, &b, nullptr) || a != chunk || b != chunk
            || memcmp(ours.data(), theirs.data(), chunk) != 0)
            return false;
        left -= chunk;
    }
    return true;
}

bool StagedCopy::setAside(const std::wstring& path, RegToolLog& log)
{
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (DeleteFileW(path.c_str()))
        return true;
    // A loaded library cannot be deleted but can be renamed; the stale copies' sweep deletes it
    // once it is free, or at the next start of Windows.
    const std::wstring aside = path.substr(0, path.rfind(L'\\') + 1) + L"softcam-aside-"
        + std::to_wstring(GetTickCount64()) + L".dll";
    if (MoveFileExW(path.c_str(), aside.c_str(), 0))
        return true;
    log.line(L"%s can be neither removed nor renamed (err %lu)", path.c_str(), GetLastError());
    return false;
}

StagedCopy StagedCopy::make(const std::wstring& source, const std::wstring& destination,
                            RegToolLog& log)
{
    if (!CopyFileW(source.c_str(), destination.c_str(), FALSE)) {
        log.line(L"CopyFile failed (err %lu)", GetLastError());
        if (GetFileAttributesW(destination.c_str()) == INVALID_FILE_ATTRIBUTES)
            return StagedCopy(nullptr);
        Handle present = openHeld(destination);
        if (sameBytes(present.get(), source)) {
            // Programs that have the camera loaded keep the file from being overwritten.
            log.line(L"same-version copy already present and in use, reusing it");
            return StagedCopy(std::move(present));
        }
        log.line(L"the file at the staged name is not the shipped camera: never loaded");
        present.reset();
        if (!setAside(destination, log))
            return StagedCopy(nullptr);
        if (!CopyFileW(source.c_str(), destination.c_str(), TRUE)) {
            log.line(L"CopyFile failed (err %lu)", GetLastError());
            return StagedCopy(nullptr);
        }
    }
    Handle copy = openHeld(destination);
    if (!sameBytes(copy.get(), source)) {
        log.line(L"the staged copy differs from the shipped camera");
        return StagedCopy(nullptr);
    }
    return StagedCopy(std::move(copy));
}
