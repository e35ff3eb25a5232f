#pragma once

#include <string>
#include <vector>

// Runs `argv[0]`, looked up on PATH, with the rest of `argv` as its arguments (its standard
// output discarded, its errors going where ours go) and waits for it at most `timeoutMs`.
// Returns its exit code, or -1 when it could not be started, died of a signal or was killed for
// running too long. Free of Qt: the elevated helper uses it too.
int runProgram(const std::vector<std::string>& argv, int timeoutMs);
