#include "ui/UiFont.h"

#include <cstring>

namespace UiFont {

HFONT Form() {
    static HFONT font = CreateFontA(-15, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET,
                                    OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                    DEFAULT_PITCH | FF_DONTCARE, "ＭＳ Ｐゴシック");
    return font;
}

HFONT Message() {
    static HFONT font = [] {
        NONCLIENTMETRICSA metrics{};
        metrics.cbSize = sizeof metrics;
        LOGFONTA face{};
        if (SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) {
            face = metrics.lfMessageFont;
        } else {
            face.lfHeight = -12;
            std::strcpy(face.lfFaceName, "ＭＳ Ｐゴシック");
        }
        face.lfCharSet = SHIFTJIS_CHARSET;
        return CreateFontIndirectA(&face);
    }();
    return font;
}

namespace {
constexpr int Bold = 1, Italic = 2, Underline = 4, StrikeOut = 8;
}  // namespace

int StyleBits(const LOGFONTA& font) {
    return (font.lfWeight >= FW_BOLD ? Bold : 0) | (font.lfItalic ? Italic : 0) |
           (font.lfUnderline ? Underline : 0) | (font.lfStrikeOut ? StrikeOut : 0);
}

HFONT CreateStyled(const std::string& name, int pointSize, int style) {
    HDC screen = GetDC(nullptr);
    const int height = -MulDiv(pointSize, GetDeviceCaps(screen, LOGPIXELSY), 72);
    ReleaseDC(nullptr, screen);
    return CreateFontA(height, 0, 0, 0, (style & Bold) ? FW_BOLD : FW_NORMAL, (style & Italic) != 0,
                       (style & Underline) != 0, (style & StrikeOut) != 0, SHIFTJIS_CHARSET,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                       DEFAULT_PITCH | FF_DONTCARE, name.c_str());
}

}  // namespace UiFont
