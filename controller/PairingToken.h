#pragma once

#include <QString>

// The secret a phone must present in HELLO. A new one is made at every refresh of the pairing
// data; the program never reads one back.
namespace PairingToken {

// 16 random bytes as unpadded URL-safe Base64: 22 characters of letters, digits, "-" and "_".
QString make();

// Writes the token as UTF-8 without a line end to "pairing-token.txt" in `folder`, replacing what
// was there, so that a developer's phone simulator can pair. The file is 0600 before the token is
// in it. A folder that cannot be written is
// not an error: the token still reaches phones through the QR code and over USB.
void save(const QString& token, const QString& folder);

// Where the token file goes: the program's own folder while a file can really be written in it
// (the build tree, a program unpacked into a folder of the user's), otherwise the user's data
// folder ("~/.local/share/Vidlet" on Linux, made 0700 when created here), as for an installed
// program's folder that the user may not write.
QString fileFolder(const QString& programFolder, const QString& userDataFolder);

} // namespace PairingToken
