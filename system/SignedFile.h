#pragma once

#include <string>

namespace SignedFile {

// The name of whoever signed the program file at `path` (its Authenticode signer's certificate,
// as "Apple Inc."), once Windows has verified the signature and its chain up to a root the
// machine trusts; empty when the file is unsigned, altered or not trusted. Revocation is not
// checked: that would need the network.
std::wstring verifiedSigner(const std::wstring& path);

} // namespace SignedFile
