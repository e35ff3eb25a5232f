#pragma once

#include "regtool/RegToolLog_win.h"

#include <memory>
#include <string>

// The camera copy the helper registers, held open from the moment it is found to be
// byte-for-byte the shipped file until the helper is done with it: while held, nobody can
// change, replace or delete it (others may still read and load it). The helper runs the copy's
// code as an administrator and every user's camera programs load it, so a file that only
// carries the staged name is never used.
class StagedCopy {
public:
    // Copies `source` to `destination` and holds the result. A file at the destination that
    // cannot be replaced (a camera some program has loaded) is kept when it has the shipped
    // bytes; any other file there is removed or, when it cannot be, renamed to a "softcam-aside-"
    // name beside it, and the copy is made again. Not held when no shipped copy could be made;
    // each step is logged.
    static StagedCopy make(const std::wstring& source, const std::wstring& destination,
                           RegToolLog& log);

    bool isHeld() const { return file != nullptr; }

private:
    struct HandleCloser {
        void operator()(void* handle) const;
    };
    using Handle = std::unique_ptr<void, HandleCloser>;

    explicit StagedCopy(Handle file)
        : file(std::move(file))
    {
    }
    static Handle openHeld(const std::wstring& path);
    static bool sameBytes(void* held, const std::wstring& source);
    static bool setAside(const std::wstring& path, RegToolLog& log);

    Handle file;
};
