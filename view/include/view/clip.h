// Clipping of lines in software, for drawing targets that have no clip region of
// their own (metafile and raster pages).
#pragma once

#include "view/canvas.h"

namespace view {

// A line whose ends are held as doubles, before it is turned into pixels.
struct LineF {
    double xa = 0, ya = 0, xb = 0, yb = 0;
};

// Clips a line to the bounds left..right × top..bottom of `clip`, where right and
// bottom are coordinates a line may still reach (the plot's right edge, the rows'
// bottom). Returns false when the line lies wholly on one outer side. The ends come
// back ordered by x and truncated to integers. With `software`, the line is also cut
// at the left and right bounds (by linear interpolation, when its run in x exceeds
// 0.1 px) and its y values are held between top and bottom; without it only the
// rejection applies and the target's own clip does the rest.
bool clipLine(const LineF& in, const Rect& clip, bool software, int& x1, int& y1, int& x2, int& y2);

}  // namespace view
