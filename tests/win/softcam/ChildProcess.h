#pragma once

#include <windows.h>

#include <string>

// A helper program started with its standard input and output on pipes, for a conversation
// of one line each way. Ends the program (closing its input, then waiting) when destroyed.
class ChildProcess {
public:
    ChildProcess() = default;
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool start(const std::wstring& commandLine);
    // Sends one line and returns the answer line, without its end; empty if the program died.
    std::string ask(const std::string& line);
    // Ends the program at once, as a crash would, and waits until it is gone.
    void kill();

private:
    PROCESS_INFORMATION process{};
    HANDLE toChild = nullptr;
    HANDLE fromChild = nullptr;
};

// Runs a program to its end; its exit code, or -1 when it could not be started.
int runProgram(const std::wstring& commandLine);

// The folder of this test program, with a trailing backslash: the build's bin folder.
std::wstring programFolder();
