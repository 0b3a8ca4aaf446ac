// Pixel rules of lines, shared by the canvases that place pixels themselves.
#pragma once

#include "view/canvas.h"

#include <cstdlib>

namespace view {

// Brings a line that reaches outside `frame` (a rectangle a little larger than the
// surface, so its edges do not show) back to its part inside the frame, so walking
// its pixels stays short and no coordinate overflows. A horizontal or vertical line
// is held to the frame with its start moved by an even number of pixels, so a dotted
// line keeps its pattern. A slanted line's start is moved onto the frame; an end
// outside is put one pixel beyond where the line leaves the frame, so the excluded
// end pixel is not one that shows. Lines inside the frame are left alone. False when
// nothing of the line is left inside.
bool cutToFrame(int& x1, int& y1, int& x2, int& y2, const Rect& frame);

// Visits the pixels of a 1-px line from (x1, y1) towards (x2, y2) with the end pixel
// excluded, in drawing order, as runs: `run(x, y, length, horizontal)` covers
// `length` pixels going right (horizontal) or down from (x, y). A line of a single
// step direction comes as one run; a slanted line as one run per row (mostly
// horizontal lines) or per column (mostly vertical ones). Steps follow Bresenham's
// rule from the start pixel, so a line drawn the other way may differ in slanted
// pixels; its start and end pixels do not. Callers bring far-off lines near the
// surface first (cutToFrame), so run lengths stay within int.
template <class Run>
void lineRuns(int x1, int y1, int x2, int y2, Run&& run) {
    const long long dx = std::llabs((long long)x2 - x1), dy = std::llabs((long long)y2 - y1);
    if (dx == 0 && dy == 0) return;
    const int sx = x2 > x1 ? 1 : -1, sy = y2 > y1 ? 1 : -1;
    if (dy == 0) {
        run(sx > 0 ? x1 : x2 + 1, y1, int(dx), true);
        return;
    }
    if (dx == 0) {
        run(x1, sy > 0 ? y1 : y2 + 1, int(dy), false);
        return;
    }
    const bool horizontal = dx >= dy;
    const long long major = horizontal ? dx : dy, minor = horizontal ? dy : dx;
    long long err = major / 2;
    int x = x1, y = y1;
    int startX = x, startY = y, length = 0;
    auto flush = [&] {
        if (length == 0) return;
        if (horizontal)
            run(sx > 0 ? startX : startX - length + 1, startY, length, true);
        else
            run(startX, sy > 0 ? startY : startY - length + 1, length, false);
        length = 0;
    };
    for (long long i = 0; i < major; ++i) {
        if (length == 0) {
            startX = x;
            startY = y;
        }
        ++length;
        // Step along the major axis; a minor step ends the current run.
        err -= minor;
        if (horizontal)
            x += sx;
        else
            y += sy;
        if (err < 0) {
            err += major;
            flush();
            if (horizontal)
                y += sy;
            else
                x += sx;
        }
    }
    flush();
}

}  // namespace view
