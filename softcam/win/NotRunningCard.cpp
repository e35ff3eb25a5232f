#include "softcam/win/NotRunningCard.h"

#include <algorithm>
#include <cstring>

namespace softcam {

std::wstring NotRunningCard::text(LANGID language)
{
    switch (PRIMARYLANGID(language)) {
    case LANG_GERMAN:
        return L"Vidlet läuft nicht";
    case LANG_SPANISH:
        return L"Vidlet no se está ejecutando";
    case LANG_FRENCH:
        return L"Vidlet n'est pas lancé";
    case LANG_ITALIAN:
        return L"Vidlet non è in esecuzione";
    case LANG_JAPANESE:
        return L"Vidlet は実行されていません";
    case LANG_PORTUGUESE:
        return L"O Vidlet não está em execução";
    case LANG_RUSSIAN:
        return L"Vidlet не запущен";
    case LANG_TURKISH:
        return L"Vidlet çalışmıyor";
    case LANG_CHINESE:
        return L"Vidlet 未运行";
    default:
        return L"Vidlet is not running";
    }
}

// The colours of the program's own cards.
std::vector<unsigned char> NotRunningCard::draw(int width, int height, LANGID language)
{
    std::vector<unsigned char> bgr(std::size_t(width) * std::size_t(height) * 3, 0);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height; // top row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* pixels = nullptr;
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bitmap =
        dc ? CreateDIBSection(dc, &info, DIB_RGB_COLORS, &pixels, nullptr, 0) : nullptr;
    if (!bitmap || !pixels) {
        if (dc)
            DeleteDC(dc);
        return bgr;
    }
    HGDIOBJ oldBitmap = SelectObject(dc, bitmap);
    RECT all{0, 0, width, height};
    HBRUSH background = CreateSolidBrush(RGB(0x0B, 0x0E, 0x15));
    FillRect(dc, &all, background);
    DeleteObject(background);
    SetBkMode(dc, TRANSPARENT);

    const std::wstring line = text(language);
    const int size = std::max(10, height / 18);
    HFONT font = CreateFontW(-size, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                             OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY,
                             DEFAULT_PITCH, L"Segoe UI");
    HGDIOBJ oldFont = SelectObject(dc, font);
    SetTextColor(dc, RGB(0xEE, 0xF2, 0xF8));
    DrawTextW(dc, line.c_str(), int(line.size()), &all,
              DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    GdiFlush();
    SelectObject(dc, oldFont);
    DeleteObject(font);

    const auto* from = static_cast<const unsigned char*>(pixels);
    for (std::size_t pixel = 0; pixel < std::size_t(width) * std::size_t(height); ++pixel)
        std::memcpy(&bgr[pixel * 3], from + pixel * 4, 3);
    SelectObject(dc, oldBitmap);
    DeleteObject(bitmap);
    DeleteDC(dc);
    return bgr;
}

} // namespace softcam
