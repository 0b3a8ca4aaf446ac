#include "view/clip.h"

#include <utility>

namespace view {

namespace {
// Truncation towards zero that cannot overflow: far-away ends (a chart zoomed in a
// long way) are held at a billion pixels, which no target reaches.
int toPixel(double v) {
    if (!(v > -1e9)) return -1000000000;
    if (v > 1e9) return 1000000000;
    return static_cast<int>(v);
}
}  // namespace

bool clipLine(const LineF& in, const Rect& clip, bool software, int& x1, int& y1, int& x2, int& y2) {
    double xa = in.xa, ya = in.ya, xb = in.xb, yb = in.yb;
    const double l = clip.left, r = clip.right, t = clip.top, b = clip.bottom;
    if ((xa < l && xb < l) || (xa > r && xb > r) || (ya < t && yb < t) || (ya > b && yb > b)) return false;
    if (xb < xa) {
        std::swap(xa, xb);
        std::swap(ya, yb);
    }
    if (software) {
        const double run = xb - xa;
        if (run > 0.1) {
            const double x0 = xa, y0 = ya, slope = (yb - ya) / run;
            if (xa < l) {
                ya = toPixel(y0 + (l - x0) * slope + 0.5);
                xa = l;
            }
            if (xb > r) {
                yb = toPixel(y0 + (r - x0) * slope + 0.5);
                xb = r;
            }
        }
        if (ya < t) ya = t;
        if (yb < t) yb = t;
        if (ya > b) ya = b;
        if (yb > b) yb = b;
    }
    x1 = toPixel(xa);
    y1 = toPixel(ya);
    x2 = toPixel(xb);
    y2 = toPixel(yb);
    return true;
}

}  // namespace view
