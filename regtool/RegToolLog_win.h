#pragma once

#include <string>

// The helper's log file: one line per call, appended with its own open and close, so lines of
// two runs may interleave but none is lost while the helper runs. Does nothing until a path is
// set; a missing folder, a locked file or a link at its name (the helper runs elevated) loses
// the line.
class RegToolLog {
public:
    void setPath(std::wstring logPath) { path = std::move(logPath); }
    void clearPath() { path.clear(); }

    // Wide printf: %s is a wide string, %hs a narrow one, %lu an unsigned 32-bit number. The
    // message is cut to 1023 characters and written as UTF-8 followed by CR LF.
    void line(const wchar_t* format, ...);

private:
    std::wstring path;
};
