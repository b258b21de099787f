// Rectangle fills through the surface's colour fill, and text through its
// device context.
#include "gfx/text.h"

#include <cstring>

#include "gfx/palette.h"

int fill_rect(int x1, int y1, int x2, int y2, std::int32_t color, DirectDrawSurface* surface) {
    if (!surface) return 0;
    RECT fill_area{x1, y1, x2, y2};
    DDBLTFX ddbltfx{};
    ddbltfx.dwSize = sizeof(ddbltfx);
    ddbltfx.dwFillColor = static_cast<std::uint32_t>(color);
    surface->blt(&fill_area, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &ddbltfx);
    return 1;
}

int draw_text_rgb(const char* text, int x, int y, COLORREF color, DirectDrawSurface* surface) {
    if (!text || !surface) return 0;
    HDC xdc = nullptr;
    if (surface->get_dc(&xdc) < 0) return 0;
    set_text_color(xdc, color);
    set_bk_mode(xdc, TRANSPARENT);
    text_out(xdc, x, y, text, static_cast<int>(std::strlen(text)));
    surface->release_dc(xdc);
    return 1;
}

int draw_text_index(const char* text, int x, int y, int index, DirectDrawSurface* surface) {
    if (index < 0 || index > 255) return 0;
    const PALETTEENTRY& e = palette_entries[index];
    COLORREF color = e.peRed + 256u * e.peGreen + 65536u * e.peBlue;
    return draw_text_rgb(text, x, y, color, surface);
}
