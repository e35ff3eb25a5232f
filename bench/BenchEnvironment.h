#pragma once

#include "system/DynamicLibrary.h"

#include <QString>
#include <QTemporaryDir>

#include <string>

// What a benchmark that runs the whole controller needs around it. Constructed before the
// application object: the offscreen platform, settings in a throw-away folder (the controller
// stores paired phones), and no chatter from the controller's informational log.
// useOwnCamera() then points the camera component at a segment of this process, so that a
// running Vidlet, or another benchmark, keeps its camera and this one can always make its own.
class BenchEnvironment {
public:
    BenchEnvironment();
    ~BenchEnvironment();
    BenchEnvironment(const BenchEnvironment&) = delete;
    BenchEnvironment& operator=(const BenchEnvironment&) = delete;

    // Needs the application object: the component is the one beside the program.
    bool useOwnCamera();
    const std::string& cameraSegment() const { return segment; }

    // A path in the throw-away folder where nothing listens: a PC without a usbmux service.
    QString absentUsbService() const;
    // The throw-away folder, where the controller writes its pairing-token.txt.
    QString folder() const { return home.path(); }

    // "2 cores, <model>" from /proc.
    static QString machine();
    // A tool from the build's bin folder, beside the benchmark.
    static QString toolPath(const QString& name);

private:
    QTemporaryDir home;
    DynamicLibrary component;
    std::string segment;
};
