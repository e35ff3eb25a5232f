// The recording's file: claimed without replacing anything, held so that nobody else writes,
// renames or deletes it while it is recorded, and written through the IStream that Media
// Foundation's sink writer takes.
#include "tests/win/WinTest.h"
#include "video/RecordingStream_win.h"

#include <string>

namespace {

// Free: what a failed earlier run left there (Wine reuses process ids) is gone.
std::wstring scratchFile(const wchar_t* name)
{
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    const std::wstring path = std::wstring(temp) + L"vidlet-stream-"
        + std::to_wstring(GetCurrentProcessId()) + L"-" + name;
    DeleteFileW(path.c_str());
    RemoveDirectoryW(path.c_str());
    return path;
}

bool exists(const std::wstring& path)
{
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void writeFile(const std::wstring& path, const std::string& text)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    WriteFile(file, text.data(), DWORD(text.size()), &written, nullptr);
    CloseHandle(file);
}

// As a player that reads a file still being written opens it.
std::string contents(const std::wstring& path)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return "(cannot be read)";
    char bytes[256];
    DWORD read = 0;
    ReadFile(file, bytes, sizeof bytes, &read, nullptr);
    CloseHandle(file);
    return std::string(bytes, read);
}

} // namespace

WIN_TEST(anythingButAnEmptyFileAtTheNameIsLeftAlone)
{
    const std::wstring taken = scratchFile(L"taken.mp4");
    const std::wstring folder = scratchFile(L"folder.mp4");
    writeFile(taken, "someone's recording");
    CreateDirectoryW(folder.c_str(), nullptr);
    CHECK(RecordingStream::claim(taken) == nullptr);
    CHECK(RecordingStream::claim(folder) == nullptr);
    CHECK_EQ(contents(taken), std::string("someone's recording"));
    CHECK(GetFileAttributesW(folder.c_str()) & FILE_ATTRIBUTE_DIRECTORY);
    DeleteFileW(taken.c_str());
    RemoveDirectoryW(folder.c_str());
    CHECK(RecordingStream::claim(scratchFile(L"no-such-folder\\file.mp4")) == nullptr);
}

WIN_TEST(aClaimedFileIsOursUntilReleased)
{
    const std::wstring path = scratchFile(L"held.mp4");
    RecordingStream* stream = RecordingStream::claim(path);
    CHECK(stream != nullptr);
    CHECK(exists(path));
    // Only reading is shared: another writer, a rename and a delete are all refused.
    HANDLE writer = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, 0, nullptr);
    CHECK(writer == INVALID_HANDLE_VALUE);
    CHECK(!DeleteFileW(path.c_str()));
    CHECK(!MoveFileW(path.c_str(), scratchFile(L"moved.mp4").c_str()));
    CHECK(RecordingStream::claim(path) == nullptr);

    // What the sink writer does: write, seek back to patch a header, read the size.
    ULONG done = 0;
    CHECK(stream->Write("mdat-----moov", 13, &done) == S_OK);
    CHECK_EQ(done, ULONG(13));
    LARGE_INTEGER to{};
    to.QuadPart = 4;
    ULARGE_INTEGER at{};
    CHECK(stream->Seek(to, STREAM_SEEK_SET, &at) == S_OK);
    CHECK_EQ(at.QuadPart, ULONGLONG(4));
    CHECK(stream->Write("12345", 5, &done) == S_OK);
    STATSTG info{};
    CHECK(stream->Stat(&info, STATFLAG_NONAME) == S_OK);
    CHECK_EQ(info.cbSize.QuadPart, ULONGLONG(13));
    CHECK_EQ(contents(path), std::string("mdat12345moov"));
    ULARGE_INTEGER shorter{};
    shorter.QuadPart = 9;
    CHECK(stream->SetSize(shorter) == S_OK);
    to.QuadPart = 0;
    CHECK(stream->Seek(to, STREAM_SEEK_CUR, &at) == S_OK);
    CHECK_EQ(at.QuadPart, ULONGLONG(9)); // the position stays where it was
    CHECK(stream->Release() == 0);

    // Released, the file is kept and free again.
    CHECK_EQ(contents(path), std::string("mdat12345"));
    CHECK(DeleteFileW(path.c_str()));
}

WIN_TEST(aFailedStartRemovesOnlyTheFileItCreated)
{
    const std::wstring created = scratchFile(L"created.mp4");
    const std::wstring reserved = scratchFile(L"reserved.mp4");
    writeFile(reserved, "");
    for (const std::wstring& path : {created, reserved}) {
        RecordingStream* stream = RecordingStream::claim(path);
        CHECK(stream != nullptr);
        ULONG done = 0;
        stream->Write("header", 6, &done);
        IStream* other = nullptr; // as Media Foundation's byte stream holds it
        CHECK(stream->QueryInterface(IID_IStream, reinterpret_cast<void**>(&other)) == S_OK);
        stream->discard();
        stream->Release();
        CHECK(exists(path)); // still referenced
        other->Release();
    }
    CHECK(!exists(created));
    // The reserved name is its caller's to remove.
    CHECK(exists(reserved));
    CHECK(DeleteFileW(reserved.c_str()));
}
