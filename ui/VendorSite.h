#pragma once

// The vendor's web site: the update ping, the download page and the window's links live under it.
// A reserved name until the product's own address is decided.
inline constexpr const char* vendorSite = "https://vidlet.example";
