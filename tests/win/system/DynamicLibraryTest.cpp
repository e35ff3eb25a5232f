#include "system/DynamicLibrary.h"
#include "tests/win/WinTest.h"

WIN_TEST(loadsAndResolvesExports)
{
    DynamicLibrary library;
    CHECK(library.load("kernel32.dll"));
    CHECK(library.isLoaded());
    CHECK(library.symbol("GetTickCount") != nullptr);
    CHECK(library.symbol("NoSuchExport") == nullptr);
    library.unload();
    CHECK(!library.isLoaded());
    CHECK(library.symbol("GetTickCount") == nullptr);
}

WIN_TEST(missingLibraryReportsWhy)
{
    DynamicLibrary library;
    CHECK(!library.load("C:\\no-such-folder\\absent.dll"));
    CHECK(!library.isLoaded());
    CHECK(library.errorText().find("absent.dll") != std::string::npos);
}
