#pragma once

#include <string>

// The helper's log: one line per call, appended with its own open and close so that nothing is
// lost when the helper is stopped. Does nothing until a path is set; failures lose the line.
class HelperLog {
public:
    void setPath(std::string logPath) { path = std::move(logPath); }
    void clearPath() { path.clear(); }

    // printf-style; the message is cut to 1023 characters.
    void line(const char* format, ...) __attribute__((format(printf, 2, 3)));

private:
    std::string path;
};
