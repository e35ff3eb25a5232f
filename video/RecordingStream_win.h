#pragma once

#include <objidl.h>

#include <string>

// The file a recording is written into, claimed so that no other file is ever replaced: a new
// name is created exclusively, and an existing file is taken only when it is an empty regular
// file (a name the caller reserved). Its handle lets others only read, so nobody can write,
// rename or delete the file while it is recorded, and a start that fails removes exactly the
// file it claimed. Media Foundation writes it through the IStream it is.
class RecordingStream final : public IStream {
public:
    // Null, with whatever was at `path` left as it was, when the name cannot be claimed.
    static RecordingStream* claim(const std::wstring& path);
    // For a start that failed: a file created here goes when the last reference to the stream
    // is released; a reserved one stays for the caller.
    void discard();

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    HRESULT STDMETHODCALLTYPE Read(void* bytes, ULONG size, ULONG* done) override;
    HRESULT STDMETHODCALLTYPE Write(const void* bytes, ULONG size, ULONG* done) override;
    HRESULT STDMETHODCALLTYPE Seek(LARGE_INTEGER move, DWORD origin,
                                   ULARGE_INTEGER* position) override;
    HRESULT STDMETHODCALLTYPE SetSize(ULARGE_INTEGER size) override;
    HRESULT STDMETHODCALLTYPE CopyTo(IStream* target, ULARGE_INTEGER size, ULARGE_INTEGER* read,
                                     ULARGE_INTEGER* written) override;
    HRESULT STDMETHODCALLTYPE Commit(DWORD flags) override;
    HRESULT STDMETHODCALLTYPE Revert() override;
    HRESULT STDMETHODCALLTYPE LockRegion(ULARGE_INTEGER offset, ULARGE_INTEGER size,
                                         DWORD type) override;
    HRESULT STDMETHODCALLTYPE UnlockRegion(ULARGE_INTEGER offset, ULARGE_INTEGER size,
                                           DWORD type) override;
    HRESULT STDMETHODCALLTYPE Stat(STATSTG* info, DWORD flags) override;
    HRESULT STDMETHODCALLTYPE Clone(IStream** copy) override;

private:
    RecordingStream(HANDLE file, const std::wstring& path, bool created);
    ~RecordingStream();

    HANDLE file;
    std::wstring path;
    bool created;
    LONG references = 1;
};
