#pragma once

#include <QString>
#include <QStringList>

// The program's own options, checked before anything starts, so that "--help", "--version" or a
// mistyped option never opens the window, takes the phone port or writes a pairing token.
class CommandLine {
public:
    enum class Verdict { Run, Help, Version, Error };
    struct Result {
        Verdict verdict = Verdict::Run;
        QString error; // what was wrong, for Verdict::Error
    };

    // `args` as the process got them, program name first; Qt's own options (-platform, -style…)
    // are still among them and pass.
    static Result check(const QStringList& args);
    // Every option with one line of explanation.
    static QString help();
    static QString version();
};
