#include "controller/PairingToken.h"
#include "settings/PrivateFiles.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryFile>

QString PairingToken::make()
{
    quint32 words[4];
    QRandomGenerator::global()->fillRange(words);
    const QByteArray bytes(reinterpret_cast<const char*>(words), sizeof words);
    return QString::fromLatin1(
        bytes.toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals));
}

void PairingToken::save(const QString& token, const QString& folder)
{
    const QString path = folder + QStringLiteral("/pairing-token.txt");
    // Narrowed first: a file left 0644 by an older version must not show the new token.
    if (!QFileInfo(folder).isDir() || !PrivateFiles::restrictFile(path))
        return;
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return;
    file.write(token.toUtf8());
}

namespace {

// Qt's isWritable() does not consult Windows' access rules: for a standard user, Program Files
// counts as writable and the token's write then fails. Only a real write tells.
bool canWriteIn(const QString& folder)
{
    QTemporaryFile probe(folder + QStringLiteral("/.vidlet-probe-XXXXXX"));
    return probe.open();
}

} // namespace

QString PairingToken::fileFolder(const QString& programFolder, const QString& userDataFolder)
{
    if (!programFolder.isEmpty() && QFileInfo(programFolder).isDir() && canWriteIn(programFolder))
        return programFolder;
    PrivateFiles::makeFolder(userDataFolder);
    return userDataFolder;
}
