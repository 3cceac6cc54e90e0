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

}  // namespace UiFont
