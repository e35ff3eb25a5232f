#pragma once

#include <QCoreApplication>

// The Qt application a fuzz target needs for sockets and timers, made once per process from
// libFuzzer's own arguments, which outlive it as Qt requires. Warnings about the garbage the
// target is fed would drown libFuzzer's output, so messages are dropped.
inline void startFuzzApplication(int* argc, char*** argv)
{
    new QCoreApplication(*argc, *argv);
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
}
