#pragma once

#include <QDateTime>
#include <QSize>
#include <QString>
#include <QStringList>

#include <optional>

// The screenshot mode's command line. Every value is the argument after its option; values
// that are missing or out of range fall back to the defaults, so a shot is always taken.
struct ShotOptions {
    QSize size{540, 640};
    QString out;            // where the PNG goes
    bool defaultOut = true; // `out` was made up from the Pictures folder and the start time
    QString view;           // "settings", "language", "addphone" or empty
    QString active;         // the name of the phone to make active, or empty
    int delayMs = 4000;
    std::optional<int> theme; // 0, 1 or 2 when the window's theme is forced

    static ShotOptions parse(const QStringList& args, const QDateTime& startedAt);
};
