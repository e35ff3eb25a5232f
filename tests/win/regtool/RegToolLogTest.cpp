#include "regtool/RegToolLog_win.h"
#include "tests/win/WinMachine.h"
#include "tests/win/WinTest.h"

#include <windows.h>

WIN_TEST(logLinesAreFormattedCutAndEncoded)
{
    const std::wstring path = WinMachine::binFolder() + L"regtool-log-test.log";
    DeleteFileW(path.c_str());
    RegToolLog log;
    log.line(L"before a path is set");
    CHECK(!WinMachine::fileExists(path));

    log.setPath(path);
    log.line(L"%hs %lu %s", "narrow", 4294967295ul, L"wide");
    log.line(L"%s", std::wstring(2000, L'x').c_str());
    log.line(L"caf\u00e9");
    log.line(L"%s", std::wstring(1000, L'\u20ac').c_str()); // 3000 bytes of UTF-8: dropped
    log.clearPath();
    log.line(L"after the path is cleared");

    const auto lines = WinMachine::readLines(path);
    DeleteFileW(path.c_str());
    CHECK_EQ(lines.size(), size_t(3));
    CHECK_EQ(lines[0], std::string("narrow 4294967295 wide"));
    CHECK_EQ(lines[1], std::string(1023, 'x'));
    CHECK_EQ(lines[2], std::string("caf\xc3\xa9"));
}

// The helper writes its log elevated, in a folder any user could once write: a link planted at
// the log's name must not make it append to the file the link names.
WIN_TEST(aLinkAtTheLogsNameIsNotFollowed)
{
    const std::wstring target = WinMachine::binFolder() + L"regtool-log-target.txt";
    const std::wstring path = WinMachine::binFolder() + L"regtool-log-link.log";
    DeleteFileW(path.c_str());
    CHECK(WinMachine::writeFile(target, "system file\r\n"));
    CHECK(CreateHardLinkW(path.c_str(), target.c_str(), nullptr));

    RegToolLog log;
    log.setPath(path);
    log.line(L"appended");
    const std::string after = WinMachine::readBytes(target);
    DeleteFileW(path.c_str());
    DeleteFileW(target.c_str());
    CHECK_EQ(after, std::string("system file\r\n"));
}
