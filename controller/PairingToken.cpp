#include "controller/PairingToken.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

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
    QFile file(folder + QStringLiteral("/pairing-token.txt"));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return;
    file.write(token.toUtf8());
}

QString PairingToken::fileFolder(const QString& programFolder, const QString& userDataFolder)
{
    const QFileInfo program(programFolder);
    if (!programFolder.isEmpty() && program.isDir() && program.isWritable())
        return programFolder;
    QDir().mkpath(userDataFolder);
    return userDataFolder;
}
