#include "controller/PairingToken.h"

#include <QByteArray>
#include <QFile>
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
