#include "view/canvas.h"

#include <algorithm>

namespace view {

bool placeBitmap(int x, int y, const Bitmap& bmp, const Rect& part, const Rect& bounds, Rect& src, int& dx, int& dy) {
    if (!bmp.valid()) return false;
    Rect s = part.intersected(Rect{0, 0, bmp.width, bmp.height});
    if (s.empty()) return false;
    long long left = (long long)x + (s.left - part.left), top = (long long)y + (s.top - part.top);
    long long right = left + s.width(), bottom = top + s.height();
    const long long cl = std::max<long long>(left, bounds.left), ct = std::max<long long>(top, bounds.top);
    const long long cr = std::min<long long>(right, bounds.right), cb = std::min<long long>(bottom, bounds.bottom);
    if (cl >= cr || ct >= cb) return false;
    src = Rect{s.left + int(cl - left), s.top + int(ct - top), s.left + int(cr - left), s.top + int(cb - top)};
    dx = int(cl);
    dy = int(ct);
    return true;
}

std::string_view substituteFontName(std::string_view name) {
    if (name == "ＭＳ ゴシック") return "IPAGothic";
    if (name == "ＭＳ 明朝") return "IPAMincho";
    if (name == "ＭＳ Ｐゴシック") return "IPAPGothic";
    if (name == "ＭＳ Ｐ明朝") return "IPAPMincho";
    return name;
}

}  // namespace view
