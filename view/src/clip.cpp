#include "view/clip.h"
#include "view/raster.h"

#include <algorithm>

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

bool cutToFrame(int& x1, int& y1, int& x2, int& y2, const Rect& frame) {
    if (std::min(x1, x2) >= frame.left && std::max(x1, x2) <= frame.right && std::min(y1, y2) >= frame.top &&
        std::max(y1, y2) <= frame.bottom)
        return !(x1 == x2 && y1 == y2);
    if (x1 == x2 || y1 == y2) {
        const bool horizontal = y1 == y2;
        int& a = horizontal ? x1 : y1;
        int& b = horizontal ? x2 : y2;
        const int other = horizontal ? y1 : x1;
        const int lo = horizontal ? frame.left : frame.top, hi = horizontal ? frame.right : frame.bottom;
        if (other < (horizontal ? frame.top : frame.left) || other > (horizontal ? frame.bottom : frame.right))
            return false;
        const int step = b > a ? 1 : -1;
        const int held = std::clamp(a, lo, hi);
        a = ((static_cast<long long>(held) - a) & 1) ? held + step : held;
        b = std::clamp(b, lo, hi);
        return step > 0 ? a < b : a > b;
    }
    // Liang–Barsky: the parameters t0 <= t1 in 0..1 of the part inside the frame.
    const double dx = double(x2) - x1, dy = double(y2) - y1;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {double(x1) - frame.left, double(frame.right) - x1, double(y1) - frame.top,
                         double(frame.bottom) - y1};
    double t0 = 0, t1 = 1;
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0) {
            if (q[i] < 0) return false;
            continue;
        }
        const double t = q[i] / p[i];
        if (p[i] < 0)
            t0 = std::max(t0, t);
        else
            t1 = std::min(t1, t);
    }
    if (t0 > t1) return false;
    const int sdx = dx > 0 ? 1 : dx < 0 ? -1 : 0, sdy = dy > 0 ? 1 : dy < 0 ? -1 : 0;
    const int nx1 = int(x1 + t0 * dx), ny1 = int(y1 + t0 * dy);
    const int nx2 = t1 >= 1 ? x2 : int(x1 + t1 * dx) + sdx;
    const int ny2 = t1 >= 1 ? y2 : int(y1 + t1 * dy) + sdy;
    x1 = nx1, y1 = ny1, x2 = nx2, y2 = ny2;
    return !(x1 == x2 && y1 == y2);
}

}  // namespace view
