#pragma once

// Turns a BGR picture left for right in place, as a mirror shows the person in front of it:
// what most people expect of their own picture in a call.
namespace FrameMirror {

// `bgr` is width x height, rows of width * 3 bytes.
void flip(unsigned char* bgr, int width, int height);

} // namespace FrameMirror
