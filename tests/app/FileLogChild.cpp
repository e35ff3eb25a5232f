// Runs the real log handler in a process of its own, because it settles its path once per run.
// Logs each argument as one message; with "--threads" first, two threads log 200 lines each.
#include "app/FileLog.h"

#include <QtGlobal>

#include <cstring>
#include <thread>

int main(int argc, char** argv)
{
    qInstallMessageHandler(FileLog::handler);
    if (argc > 1 && std::strcmp(argv[1], "--threads") == 0) {
        auto logLines = [](char name) {
            for (int i = 0; i < 200; ++i)
                qInfo("Vidlet: thread %c line %03d", name, i);
        };
        std::thread a(logLines, 'a');
        std::thread b(logLines, 'b');
        a.join();
        b.join();
        return 0;
    }
    for (int i = 1; i < argc; ++i)
        qInfo("%s", argv[i]);
    return 0;
}
