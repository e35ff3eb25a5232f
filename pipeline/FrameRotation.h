#pragma once

#include <QSize>

// Turns a BGR picture clockwise by quarter turns, for a phone whose picture comes on its side
// (a phone held upright that sends landscape, or a stand that holds it turned).
namespace FrameRotation {

// The picture's size after `quarterTurns` (0 to 3) clockwise.
QSize turned(QSize size, int quarterTurns);

// `from` is width x height, rows of width * 3 bytes; `to` gets turned(width x height) and must
// not overlap it. Zero turns copies.
void turn(const unsigned char* from, int width, int height, int quarterTurns, unsigned char* to);

} // namespace FrameRotation
