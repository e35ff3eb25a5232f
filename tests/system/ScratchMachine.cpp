#include "tests/system/ScratchMachine.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

ScratchMachine::ScratchMachine()
{
    valid = dir.isValid() && QDir(dir.path()).mkpath(QStringLiteral("bin"))
        && QDir(dir.path()).mkpath(QStringLiteral("usr/bin"));
    writeScript("modprobe", R"(
if [ "$1" = "-r" ]; then
  rm -rf "$ROOT/sys/module/v4l2loopback" "$ROOT"/sys/devices/virtual/video4linux/video*
  exit 0
fi
[ -e "$ROOT/no-module" ] && exit 1
mkdir -p "$ROOT/sys/module/v4l2loopback" "$ROOT/sys/devices/virtual/video4linux/video9"
for a; do
  case "$a" in card_label=*) echo "${a#card_label=}" > "$ROOT/sys/devices/virtual/video4linux/video9/name";; esac
done
)");
    writeScript("udevadm", "[ -e \"$ROOT/no-udev\" ] && exit 1\nexit 0\n");
    writeScript("firewall-cmd", R"(
[ -d "$ROOT/firewalld" ] || exit 252
f="$ROOT/firewalld/runtime"
if [ "$1" = "--permanent" ]; then f="$ROOT/firewalld/permanent"; shift; fi
case "$1" in
  --query-port=8788/tcp) [ -e "$f" ] && exit 0; exit 1;;
  --add-port=8788/tcp) touch "$f";;
  --remove-port=8788/tcp) rm -f "$f";;
  *) exit 2;;
esac
)");
    writeScript("ufw", R"(
rules="$ROOT/etc/ufw/user.rules"
case "$*" in
  "allow 8788/tcp comment Vidlet")
    echo "### tuple ### allow tcp 8788 0.0.0.0/0 any 0.0.0.0/0 in comment=566964" >> "$rules";;
  "delete allow 8788/tcp") sed -i '/### tuple ### allow tcp 8788 /d' "$rules";;
  *) exit 1;;
esac
)");
    // Keeps the caller's environment, stand-ins included, so that the helper works on this
    // root too. Where the program looks for it, not on PATH.
    writeScript("pkexec", R"(PATH="$CALLER_PATH" exec "$@")", QStringLiteral("usr/bin/"));
}

void ScratchMachine::writeScript(const QString& name, const QByteArray& body,
                                 const QString& folder) const
{
    const QString file = dir.filePath(folder + name);
    QFile script(file);
    if (!script.open(QIODevice::WriteOnly))
        return;
    script.write("#!/bin/sh\nCALLER_PATH=$PATH\nPATH=/usr/bin:/bin\nROOT='" + dir.path().toUtf8()
                 + "'\n");
    script.write("echo \"" + name.toUtf8() + " $*\" >> \"$ROOT/commands\"\n");
    script.write(body);
    script.close();
    script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

void ScratchMachine::write(const QString& relative, const QByteArray& content) const
{
    const QString file = dir.filePath(relative);
    QDir().mkpath(QFileInfo(file).path());
    QFile out(file);
    if (out.open(QIODevice::WriteOnly))
        out.write(content);
}

QByteArray ScratchMachine::read(const QString& relative) const
{
    QFile in(dir.filePath(relative));
    return in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray();
}

bool ScratchMachine::exists(const QString& relative) const
{
    return QFileInfo::exists(dir.filePath(relative));
}

void ScratchMachine::addDevice(int number, const QByteArray& name) const
{
    write(QStringLiteral("sys/devices/virtual/video4linux/video%1/name").arg(number), name + '\n');
}

QStringList ScratchMachine::commands() const
{
    return QString::fromUtf8(read(QStringLiteral("commands"))).split('\n', Qt::SkipEmptyParts);
}

QString ScratchMachine::helperPath()
{
    return qEnvironmentVariable("VIDLET_BIN_DIR", QCoreApplication::applicationDirPath())
        + QStringLiteral("/vidlet-regtool-test");
}

QProcessEnvironment ScratchMachine::environment() const
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("PATH"), bin());
    env.insert(QStringLiteral("VIDLET_REGTOOL_ROOT"), dir.path());
    return env;
}

int ScratchMachine::runHelper(const QStringList& arguments) const
{
    QProcess helper;
    helper.setProcessEnvironment(environment());
    helper.setProcessChannelMode(QProcess::ForwardedChannels);
    helper.start(helperPath(), arguments);
    if (!helper.waitForFinished(30000) || helper.exitStatus() != QProcess::NormalExit)
        return -1;
    return helper.exitCode();
}
