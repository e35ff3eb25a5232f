#include "app/CommandLine.h"

namespace {

enum class Takes { Nothing, Value, OptionalValue };

struct Option {
    const char* name;
    Takes takes;
    const char* value;
    const char* help;
};

// The one list of what the program reads; help() prints it and check() accepts nothing else.
const Option options[] = {
    {"--help", Takes::Nothing, "", "print these options and exit"},
    {"--version", Takes::Nothing, "", "print the version and exit"},
    {"--lang", Takes::Value, "CODE",
     "language for this run, not stored: en de es fr it ja pt ru tr zh_CN"},
    {"--port", Takes::Value, "N", "phone port tried first (default 8788; 0: any free port)"},
    {"--token-folder", Takes::Value, "DIR",
     "where pairing-token.txt goes (default: beside the program)"},
    {"--usbmux", Takes::Value, "PATH|PORT",
     "the usbmux service: a socket path, or a TCP port on 127.0.0.1"},
    {"--record", Takes::Nothing, "",
     "start recording as soon as video flows (the running Vidlet's, if one runs)"},
    {"--stop-recording", Takes::Nothing, "", "ask the running Vidlet to end its recording"},
    {"--quit", Takes::Nothing, "", "ask the running Vidlet to quit and wait until it has ended"},
    {"--shot", Takes::OptionalValue, "[WxH]",
     "screenshot mode: save the window as a PNG and quit (default 540x640)"},
    {"--out", Takes::Value, "FILE", "with --shot: where the PNG goes (default: Pictures/Vidlet)"},
    {"--shot-view", Takes::Value, "VIEW", "with --shot: open settings, language or addphone"},
    {"--shot-active", Takes::Value, "NAME", "with --shot: the phone to make active first"},
    {"--shot-delay", Takes::Value, "MS", "with --shot: time before the shot (default 4000)"},
    {"--shot-theme", Takes::Value, "N", "with --shot: 0 system, 1 light, 2 dark"},
};

// Qt reads these itself (with one dash or two), some with the next argument as their value.
const char* const qtWithValue[] = {
    "platform",    "platformpluginpath", "platformtheme", "plugin",  "qwindowgeometry",
    "qwindowicon", "qwindowtitle",       "session",       "display", "geometry",
    "style",       "stylesheet",         "name",          "title"};
const char* const qtFlags[] = {"reverse", "widgetcount", "nograb", "dograb", "sync"};

// How many arguments a Qt option at args[i] takes up, or 0 when it is not one of Qt's.
int qtOptionLength(const QStringList& args, qsizetype i)
{
    QString name = args[i];
    if (!name.startsWith(QLatin1Char('-')))
        return 0;
    name.remove(0, name.startsWith(QLatin1String("--")) ? 2 : 1);
    if (name.startsWith(QLatin1String("qmljsdebugger=")) || name.startsWith(QLatin1String("style="))
        || name.startsWith(QLatin1String("stylesheet=")))
        return 1;
    for (const char* flag : qtFlags)
        if (name == QLatin1String(flag))
            return 1;
    for (const char* option : qtWithValue)
        if (name == QLatin1String(option))
            return i + 1 < args.size() ? 2 : 0;
    return 0;
}

} // namespace

CommandLine::Result CommandLine::check(const QStringList& args)
{
    Result result;
    for (qsizetype i = 1; i < args.size(); ++i) {
        const QString& arg = args[i];
        const Option* option = nullptr;
        for (const Option& o : options)
            if (arg == QLatin1String(o.name))
                option = &o;
        if (!option) {
            if (const int length = qtOptionLength(args, i)) {
                i += length - 1;
                continue;
            }
            return {Verdict::Error,
                    arg.startsWith(QLatin1Char('-'))
                        ? QStringLiteral("unknown option \"%1\"").arg(arg)
                        : QStringLiteral("unexpected argument \"%1\"").arg(arg)};
        }
        // A value never starts with "--": "--lang --port 0" lacks the language, it is not "--port".
        const bool nextIsValue =
            i + 1 < args.size() && !args[i + 1].startsWith(QLatin1String("--"));
        if (option->takes == Takes::Value) {
            if (!nextIsValue)
                return {
                    Verdict::Error,
                    QStringLiteral("%1 needs a value (%2)").arg(arg, QLatin1String(option->value))};
            ++i;
            // A port the program could not use would otherwise be dropped without a word.
            bool isNumber = false;
            if (arg == QLatin1String("--port") && (args[i].toUInt(&isNumber) > 65535 || !isNumber))
                return {Verdict::Error,
                        QStringLiteral("--port takes a port number from 0 to 65535, not \"%1\"")
                            .arg(args[i])};
        } else if (option->takes == Takes::OptionalValue && nextIsValue) {
            ++i;
        }
        // The first of --help and --version wins; the options after it are still checked.
        if (result.verdict == Verdict::Run && arg == QLatin1String("--help"))
            result.verdict = Verdict::Help;
        else if (result.verdict == Verdict::Run && arg == QLatin1String("--version"))
            result.verdict = Verdict::Version;
    }
    return result;
}

QString CommandLine::help()
{
    QString text = QStringLiteral("usage: Vidlet [options]\n"
                                  "Turns a phone into this computer's camera.\n\n");
    for (const Option& o : options) {
        const QString left =
            QStringLiteral("  %1 %2").arg(QLatin1String(o.name), QLatin1String(o.value));
        text +=
            left.leftJustified(30) + QLatin1Char(' ') + QLatin1String(o.help) + QLatin1Char('\n');
    }
    text += QStringLiteral("\nQt's own options, such as -platform and -style, are accepted too.\n");
    return text;
}

QString CommandLine::version()
{
    return QStringLiteral("Vidlet %1\n").arg(QLatin1String(VIDLET_VERSION));
}
