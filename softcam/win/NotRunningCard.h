#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace softcam {

// What a program that opens the camera sees while Vidlet is not running: the camera is listed
// as long as it is registered, so rather than a black picture, a card that says why, in the
// user's language where it is one of the program's.
class NotRunningCard {
public:
    // The card's words for a Windows UI language.
    static std::wstring text(LANGID language);
    // The card at a size, BGR with the top row first; black where it cannot be drawn.
    static std::vector<unsigned char> draw(int width, int height, LANGID language);
};

} // namespace softcam
