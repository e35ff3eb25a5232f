#pragma once

// Turns a picture left for right in place, as a mirror shows the person in front of it:
// what most people expect of their own picture in a call.
namespace FrameMirror {

// `bgr` is width x height, rows of width * 3 bytes.
void flip(unsigned char* bgr, int width, int height);
// `i420` is width x height of even sides: Y, then U, then V, rows unpadded.
void flipPlanes(unsigned char* i420, int width, int height);

} // namespace FrameMirror
