#include "ui/UiFont.h"

#include <cstring>
#include <map>
#include <memory>
#include <type_traits>

#include "ui/Dpi.h"

namespace UiFont {

namespace {

struct TFontDeleter {
    void operator()(HFONT font) const { DeleteObject(font); }
};
using TFontCache = std::map<int, std::unique_ptr<std::remove_pointer_t<HFONT>, TFontDeleter>>;

template <typename TMake>
HFONT Cached(TFontCache& cache, int dpi, TMake make) {
    auto& font = cache[dpi];
    if (!font) font.reset(make());
    return font.get();
}

HFONT Gothic(TFontCache& cache, int height, int dpi) {
    return Cached(cache, dpi, [height, dpi] {
        return CreateFontA(-Dpi::Scale(height, dpi), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                           SHIFTJIS_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                           DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, "ＭＳ Ｐゴシック");
    });
}

}  // namespace

HFONT Form(int dpi) {
    static TFontCache cache;
    return Gothic(cache, 15, dpi);
}

HFONT Viewer(int dpi) {
    static TFontCache cache;
    return Gothic(cache, 13, dpi);
}

HFONT Message(int dpi) {
    static TFontCache cache;
    return Cached(cache, dpi, [dpi] {
        NONCLIENTMETRICSA metrics{};
        metrics.cbSize = sizeof metrics;
        LOGFONTA face{};
        if (SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) {
            face = metrics.lfMessageFont;
            // The system gives it for the system's DPI.
            face.lfHeight = MulDiv(face.lfHeight, dpi, Dpi::Of(nullptr));
        } else {
            face.lfHeight = -Dpi::Scale(12, dpi);
            std::strcpy(face.lfFaceName, "ＭＳ Ｐゴシック");
        }
        face.lfCharSet = SHIFTJIS_CHARSET;
        return CreateFontIndirectA(&face);
    });
}

void Rescale(HWND window, int from, int to) {
    struct TSwap {
        HFONT From[3], To[3];
    } swap{{Form(from), Viewer(from), Message(from)}, {Form(to), Viewer(to), Message(to)}};
    auto apply = [](HWND target, LPARAM param) -> BOOL {
        const auto& fonts = *reinterpret_cast<const TSwap*>(param);
        const auto font = reinterpret_cast<HFONT>(SendMessageA(target, WM_GETFONT, 0, 0));
        for (int i = 0; i < 3; ++i) {
            if (font && font == fonts.From[i])
                SendMessageA(target, WM_SETFONT, reinterpret_cast<WPARAM>(fonts.To[i]), TRUE);
        }
        return TRUE;
    };
    apply(window, reinterpret_cast<LPARAM>(&swap));
    EnumChildWindows(window, apply, reinterpret_cast<LPARAM>(&swap));
}

namespace {
constexpr int Bold = 1, Italic = 2, Underline = 4, StrikeOut = 8;
}  // namespace

int StyleBits(const LOGFONTA& font) {
    return (font.lfWeight >= FW_BOLD ? Bold : 0) | (font.lfItalic ? Italic : 0) |
           (font.lfUnderline ? Underline : 0) | (font.lfStrikeOut ? StrikeOut : 0);
}

HFONT CreateStyled(const std::string& name, int pointSize, int style, int dpi) {
    return CreateFontA(-MulDiv(pointSize, dpi, 72), 0, 0, 0, (style & Bold) ? FW_BOLD : FW_NORMAL,
                       (style & Italic) != 0, (style & Underline) != 0, (style & StrikeOut) != 0,
                       SHIFTJIS_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                       DEFAULT_PITCH | FF_DONTCARE, name.c_str());
}

}  // namespace UiFont
