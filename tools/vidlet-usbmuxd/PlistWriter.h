#pragma once

#include <QByteArray>
#include <QVariantMap>

// Writes a reply as the real service does: indented with tabs, one element per line, nested
// dictionaries and arrays allowed. Clients must read this as well as the compact form they
// write.
QByteArray writePrettyPlist(const QVariantMap& map);
