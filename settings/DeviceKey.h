#pragma once

#include <QString>

// Device ids as keys under the "trusted" and "names" settings groups. QSettings reads "/" and
// "\" in a key as group separators, so an id holding them would be written into a subgroup and
// never found again: they are stored as "%2F" and "%5C", and a "%" that would start one of
// those (or "%25") as "%25", so that no two ids share a key. Every other key is the id as it
// stands, as earlier versions wrote it. Keys ignore case on Windows: the phone server keeps
// ids that differ only in case from pairing both.
namespace DeviceKey {

QString fromDeviceId(const QString& deviceId);
QString toDeviceId(const QString& key);

} // namespace DeviceKey
