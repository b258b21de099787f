// The display's clipper: a list of rectangles, taken from and given back as a
// region record, or the client area of a window. What a blit does with it is
// blit.h's work (blit_parts).
#include "platform/system/ddraw.h"

#include <algorithm>
#include <cstring>

#include "platform/system/blit.h"
#include "platform/system/win32.h"

namespace {

constexpr std::uint32_t kMaxClipRects = 4096;

}  // namespace

HRESULT DirectDrawClipper::set_clip_list(const RGNDATA* region, std::uint32_t) {
    if (!region) {
        rects_.clear();
        return DD_OK;
    }
    const RGNDATAHEADER& h = region->rdh;
    if (h.dwSize != sizeof(RGNDATAHEADER) || h.iType != RDH_RECTANGLES ||
        h.nCount > kMaxClipRects || h.nRgnSize < h.nCount * sizeof(RECT))
        return DDERR_INVALIDPARAMS;
    rects_.resize(h.nCount);
    const char* bytes = reinterpret_cast<const char*>(region) + sizeof(RGNDATAHEADER);
    if (h.nCount) std::memcpy(rects_.data(), bytes, h.nCount * sizeof(RECT));
    hwnd_ = nullptr;
    return DD_OK;
}

std::vector<RECT> DirectDrawClipper::rectangles() const {
    if (!hwnd_) return rects_;
    RECT w{};
    if (!get_window_rect(hwnd_, &w)) return {};
    return {RECT{0, 0, w.right - w.left, w.bottom - w.top}};
}

HRESULT DirectDrawClipper::get_clip_list(const RECT* clip, RGNDATA* region,
                                         std::uint32_t* size) const {
    if (!size) return DDERR_INVALIDPARAMS;
    std::vector<RECT> list;
    for (const RECT& r : rectangles()) {
        RECT c = clip ? rect_intersect(r, *clip) : r;
        if (!rect_empty(c)) list.push_back(c);
    }
    if (list.empty()) return DDERR_NOCLIPLIST;
    auto needed = static_cast<std::uint32_t>(sizeof(RGNDATAHEADER) + list.size() * sizeof(RECT));
    if (!region) {
        *size = needed;
        return DD_OK;
    }
    if (*size < needed) return DDERR_INVALIDPARAMS;
    RGNDATAHEADER h{sizeof(RGNDATAHEADER), RDH_RECTANGLES, static_cast<std::uint32_t>(list.size()),
                    static_cast<std::uint32_t>(list.size() * sizeof(RECT)),
                    RECT{64000, 64000, -64000, -64000}};
    for (const RECT& r : list) {
        h.rcBound = {std::min(h.rcBound.left, r.left), std::min(h.rcBound.top, r.top),
                     std::max(h.rcBound.right, r.right), std::max(h.rcBound.bottom, r.bottom)};
    }
    region->rdh = h;
    std::memcpy(reinterpret_cast<char*>(region) + sizeof(RGNDATAHEADER), list.data(),
                list.size() * sizeof(RECT));
    return DD_OK;
}

HRESULT DirectDrawClipper::set_hwnd(std::uint32_t, HWND hwnd) {
    if (!hwnd) return DDERR_INVALIDPARAMS;
    hwnd_ = hwnd;
    rects_.clear();
    return DD_OK;
}
