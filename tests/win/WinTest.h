#pragma once

#include <string>

// The harness of the Windows test programs, which run under Wine where QtTest is not available.
// A case is a function registered with WIN_TEST; a CHECK that fails ends the case. The program
// runs every case (or those named on its command line) and exits 0, 1 on a failure, or
// WinTest::skipCode when a case called skip() and none failed, so CTest reports the skip.

namespace WinTest {

constexpr int skipCode = 77;

struct Failure {
    std::string what;
};

// Ends the running case as skipped; the reason is printed with the case's name.
[[noreturn]] void skip(const std::string& reason);
[[noreturn]] void fail(const char* file, int line, const std::string& what);

struct Registration {
    Registration(const char* name, void (*run)());
};

std::string narrow(const std::wstring& text);

} // namespace WinTest

#define WIN_TEST(name)                                                                             \
    static void name();                                                                            \
    static const WinTest::Registration name##Registration(#name, name);                            \
    static void name()

#define CHECK(condition)                                                                           \
    do {                                                                                           \
        if (!(condition))                                                                          \
            WinTest::fail(__FILE__, __LINE__, #condition);                                         \
    } while (false)

// Prints both values when they differ; they must convert to std::to_string or be strings.
#define CHECK_EQ(actual, expected)                                                                 \
    do {                                                                                           \
        const auto a_ = (actual); /* a copy: `actual` may dangle */                                \
        const auto e_ = (expected);                                                                \
        if (!(a_ == e_))                                                                           \
            WinTest::fail(__FILE__, __LINE__,                                                      \
                          std::string(#actual " == " #expected ": ") + WinTest::show(a_)           \
                              + " != " + WinTest::show(e_));                                       \
    } while (false)

namespace WinTest {
inline std::string show(const std::string& value)
{
    return '"' + value + '"';
}
inline std::string show(const char* value)
{
    return show(std::string(value));
}
inline std::string show(const std::wstring& value)
{
    return show(narrow(value));
}
inline std::string show(const wchar_t* value)
{
    return show(std::wstring(value));
}
inline std::string show(bool value)
{
    return value ? "true" : "false";
}
template <typename T> std::string show(const T& value)
{
    return std::to_string(value);
}
} // namespace WinTest
