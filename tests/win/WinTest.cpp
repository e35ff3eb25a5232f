#include "tests/win/WinTest.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <vector>

namespace WinTest {
namespace {

struct Case {
    const char* name;
    void (*run)();
};

std::vector<Case>& cases()
{
    static std::vector<Case> all;
    return all;
}

struct Skipped {
    std::string reason;
};

} // namespace

Registration::Registration(const char* name, void (*run)())
{
    cases().push_back({name, run});
}

void skip(const std::string& reason)
{
    throw Skipped{reason};
}

void fail(const char* file, int line, const std::string& what)
{
    throw Failure{std::string(file) + ":" + std::to_string(line) + ": " + what};
}

std::string narrow(const std::wstring& text)
{
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), int(text.size()), nullptr, 0,
                                         nullptr, nullptr);
    std::string result(size_t(size > 0 ? size : 0), '\0');
    if (size > 0)
        WideCharToMultiByte(CP_UTF8, 0, text.c_str(), int(text.size()), result.data(), size,
                            nullptr, nullptr);
    return result;
}

} // namespace WinTest

int main(int argc, char** argv)
{
    int failed = 0;
    int skipped = 0;
    int ran = 0;
    for (const auto& testCase : WinTest::cases()) {
        bool wanted = argc < 2;
        for (int i = 1; i < argc; ++i)
            wanted = wanted || std::strcmp(argv[i], testCase.name) == 0;
        if (!wanted)
            continue;
        ++ran;
        try {
            testCase.run();
            std::printf("PASS   %s\n", testCase.name);
        } catch (const WinTest::Failure& failure) {
            ++failed;
            std::printf("FAIL!  %s\n       %s\n", testCase.name, failure.what.c_str());
        } catch (const WinTest::Skipped& skip) {
            ++skipped;
            std::printf("SKIP   %s: %s\n", testCase.name, skip.reason.c_str());
        }
        std::fflush(stdout);
    }
    std::printf("%d passed, %d failed, %d skipped\n", ran - failed - skipped, failed, skipped);
    if (ran == 0)
        return 1;
    return failed ? 1 : skipped ? WinTest::skipCode : 0;
}
