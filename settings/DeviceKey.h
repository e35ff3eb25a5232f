#pragma once

#include <QString>

// Device ids as keys under the "trusted" and "names" settings groups. QSettings reads "/" and
// "\" in a key as group separators, so an id holding them would be written into a subgroup and
// never found again; those two characters, and only they, are stored percent-encoded, which
// leaves every key that worked before unchanged. An id that itself holds the text "%2F" or
// "%5C" reads back with the character instead; no real device id looks like that.
namespace DeviceKey {

QString fromDeviceId(const QString& deviceId);
QString toDeviceId(const QString& key);

} // namespace DeviceKey
