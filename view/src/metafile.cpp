#include "view/metafile.h"

#include "base/files.h"
#include "base/text.h"
#include "view/clip.h"

#include <algorithm>

namespace view {

namespace {

// Record functions.
constexpr std::uint16_t kEof = 0x0000;
constexpr std::uint16_t kSetBkMode = 0x0102;
constexpr std::uint16_t kSetTextAlign = 0x012E;
constexpr std::uint16_t kSelectObject = 0x012D;
constexpr std::uint16_t kDeleteObject = 0x01F0;
constexpr std::uint16_t kSetTextColor = 0x0209;
constexpr std::uint16_t kSetWindowOrg = 0x020B;
constexpr std::uint16_t kSetWindowExt = 0x020C;
constexpr std::uint16_t kLineTo = 0x0213;
constexpr std::uint16_t kMoveTo = 0x0214;
constexpr std::uint16_t kCreatePen = 0x02FA;
constexpr std::uint16_t kCreateFont = 0x02FB;
constexpr std::uint16_t kCreateBrush = 0x02FC;
constexpr std::uint16_t kRectangle = 0x041B;
constexpr std::uint16_t kTextOut = 0x0521;
constexpr std::uint16_t kExtTextOut = 0x0A32;
constexpr std::uint16_t kStretchDib = 0x0F43;

constexpr std::uint16_t kTransparent = 1;
constexpr std::uint16_t kPsSolid = 0, kPsDot = 2, kPsNull = 5;
constexpr std::uint16_t kBsSolid = 0, kBsNull = 1;
constexpr std::uint8_t kShiftJisCharset = 128;
constexpr std::uint16_t kEtoClipped = 0x0004;
constexpr std::uint32_t kSrcCopy = 0x00CC0020;

// Metafile coordinates are signed 16-bit.
constexpr int kCoordMin = -32768, kCoordMax = 32767;

std::uint16_t w16(int v) { return static_cast<std::uint16_t>(static_cast<std::int16_t>(std::clamp(v, kCoordMin, kCoordMax))); }

void putLe16(std::string& s, unsigned v) {
    s.push_back(char(v & 0xFF));
    s.push_back(char((v >> 8) & 0xFF));
}
void putLe32(std::string& s, std::uint32_t v) {
    putLe16(s, v & 0xFFFF);
    putLe16(s, v >> 16);
}

}  // namespace

MetafileCanvas::MetafileCanvas(int width, int height) : width_(width), height_(height) {
    record(kSetWindowOrg, {0, 0});
    record(kSetWindowExt, {w16(height), w16(width)});
    record(kSetBkMode, {kTransparent});
    record(kSetTextAlign, {0});  // top left, no current-position update
}

void MetafileCanvas::beginRecord(std::uint16_t function, std::size_t paramWords) {
    const std::size_t size = 3 + paramWords;
    word(std::uint16_t(size & 0xFFFF));
    word(std::uint16_t(size >> 16));
    word(function);
    ++records_;
    maxRecord_ = std::max(maxRecord_, size);
}

void MetafileCanvas::record(std::uint16_t function, std::initializer_list<std::uint16_t> params) {
    beginRecord(function, params.size());
    for (std::uint16_t p : params) word(p);
}

void MetafileCanvas::colour(Rgb c) {
    word(std::uint16_t(c.r | (c.g << 8)));
    word(c.b);
}

// Objects take the lowest free slot of the object table, as players number them.
int MetafileCanvas::createObject() {
    for (std::size_t i = 0; i < slots_.size(); ++i)
        if (!slots_[i]) {
            slots_[i] = true;
            return int(i);
        }
    slots_.push_back(true);
    return int(slots_.size() - 1);
}

template <class T>
bool MetafileCanvas::selectCached(ObjectCache<T>& cache, const T& object) {
    for (const auto& [o, slot] : cache.entries)
        if (o == object) {
            if (cache.current != slot) record(kSelectObject, {std::uint16_t(slot)});
            cache.current = slot;
            return true;
        }
    return false;
}

// Selects a newly created object; when the kind's cache is full, the objects that
// are not selected are deleted first.
template <class T>
void MetafileCanvas::selectCreated(ObjectCache<T>& cache, const T& object, int slot) {
    record(kSelectObject, {std::uint16_t(slot)});
    cache.current = slot;
    if (cache.entries.size() >= kCachedObjects) {
        for (const auto& e : cache.entries) {
            record(kDeleteObject, {std::uint16_t(e.second)});
            slots_[std::size_t(e.second)] = false;
        }
        cache.entries.clear();
    }
    cache.entries.emplace_back(object, slot);
}

void MetafileCanvas::usePen(const PenObject& p) {
    if (selectCached(pens_, p)) return;
    const int s = createObject();
    beginRecord(kCreatePen, 5);
    word(p.none ? kPsNull : p.pen.style == PenStyle::Dotted ? kPsDot : kPsSolid);
    word(1);  // width 1 (x), y unused
    word(0);
    colour(p.pen.color);
    selectCreated(pens_, p, s);
}

void MetafileCanvas::useBrush(const Brush& b) {
    if (selectCached(brushes_, b)) return;
    const int s = createObject();
    beginRecord(kCreateBrush, 4);
    word(b.hollow ? kBsNull : kBsSolid);
    colour(b.color);
    word(0);  // hatch
    selectCreated(brushes_, b, s);
}

void MetafileCanvas::useFont(const Font& f) {
    if (selectCached(fonts_, f)) return;
    const int s = createObject();
    beginRecord(kCreateFont, 25);
    word(w16(f.height));
    word(w16(f.width));
    word(0);    // escapement
    word(0);    // orientation
    word(400);  // normal weight
    word(0);    // italic, underline
    word(std::uint16_t(kShiftJisCharset << 8));  // strike-out, character set
    word(0);    // output and clip precision
    word(0);    // quality, pitch and family
    char face[32] = {};
    const std::string name = std::string(base::cutCp932Bytes(base::toCp932(f.name), 31));
    std::copy(name.begin(), name.end(), face);
    for (int i = 0; i < 32; i += 2) word(std::uint16_t(std::uint8_t(face[i]) | (std::uint8_t(face[i + 1]) << 8)));
    selectCreated(fonts_, f, s);
}

void MetafileCanvas::rawLine(int x1, int y1, int x2, int y2, const Pen& pen) {
    usePen(PenObject{false, pen});
    record(kMoveTo, {w16(y1), w16(x1)});
    record(kLineTo, {w16(y2), w16(x2)});
}

void MetafileCanvas::line(int x1, int y1, int x2, int y2, const Pen& pen) {
    if (x1 == x2 && y1 == y2) return;
    // Lines are kept inside the clip, or else inside a frame around the page that
    // 16-bit coordinates hold.
    const Rect bounds = clip_ ? *clip_ : Rect{-1, -1, width_ + 1, height_ + 1};
    if (bounds.empty()) return;
    if (y1 == y2) {  // horizontal: the pixels x1 .. x2 - 1 (or x2 + 1 .. x1)
        if (y1 < bounds.top || y1 >= bounds.bottom) return;
        const bool rightwards = x2 > x1;
        long long a = x1, b = x2;  // b excluded
        if (rightwards) {
            a = std::max<long long>(a, bounds.left);
            b = std::min<long long>(b, bounds.right);
            if (a >= b) return;
        } else {
            a = std::min<long long>(a, bounds.right - 1);
            b = std::max<long long>(b, bounds.left - 1);
            if (a <= b) return;
        }
        // A dotted line keeps its pattern phase when its start is cut.
        if (pen.style == PenStyle::Dotted && ((a - x1) & 1)) a += rightwards ? 1 : -1;
        if (a == b) return;
        rawLine(int(a), y1, int(b), y2, pen);
        return;
    }
    if (x1 == x2) {  // vertical
        if (x1 < bounds.left || x1 >= bounds.right) return;
        const bool downwards = y2 > y1;
        long long a = y1, b = y2;
        if (downwards) {
            a = std::max<long long>(a, bounds.top);
            b = std::min<long long>(b, bounds.bottom);
            if (a >= b) return;
        } else {
            a = std::min<long long>(a, bounds.bottom - 1);
            b = std::max<long long>(b, bounds.top - 1);
            if (a <= b) return;
        }
        if (pen.style == PenStyle::Dotted && ((a - y1) & 1)) a += downwards ? 1 : -1;
        if (a == b) return;
        rawLine(x1, int(a), x2, int(b), pen);
        return;
    }
    const Rect inclusive{bounds.left, bounds.top, bounds.right - 1, bounds.bottom - 1};
    int a1, b1, a2, b2;
    if (!clipLine(LineF{double(x1), double(y1), double(x2), double(y2)}, inclusive, true, a1, b1, a2, b2)) return;
    if (a1 == a2 && b1 == b2) return;
    rawLine(a1, b1, a2, b2, pen);
}

void MetafileCanvas::rawRectangle(const Rect& r) {
    record(kRectangle, {w16(r.bottom), w16(r.right), w16(r.top), w16(r.left)});
}

void MetafileCanvas::fillRect(const Rect& r0, Rgb color) {
    const Rect r = r0.intersected(clip_ ? *clip_ : Rect{-1, -1, width_ + 1, height_ + 1});
    if (r.empty()) return;
    usePen(PenObject{true, {}});
    useBrush(Brush{false, color});
    // Without an outline a rectangle covers one pixel less each way.
    rawRectangle(Rect{r.left, r.top, r.right + 1, r.bottom + 1});
}

void MetafileCanvas::rectangle(const Rect& r, const Pen& pen, std::optional<Rgb> fill) {
    if (r.empty()) return;
    const Rect bounds = clip_ ? *clip_ : Rect{-1, -1, width_ + 1, height_ + 1};
    if (r.intersected(bounds) == r) {
        usePen(PenObject{false, pen});
        useBrush(fill ? Brush{false, *fill} : Brush{true, {}});
        rawRectangle(r);
        return;
    }
    // Partly clipped: the inside as a fill, the outline as four lines.
    if (fill && r.width() > 2 && r.height() > 2) fillRect(Rect{r.left + 1, r.top + 1, r.right - 1, r.bottom - 1}, *fill);
    line(r.left, r.top, r.right - 1, r.top, pen);
    line(r.right - 1, r.top, r.right - 1, r.bottom - 1, pen);
    line(r.right - 1, r.bottom - 1, r.left, r.bottom - 1, pen);
    line(r.left, r.bottom - 1, r.left, r.top, pen);
}

void MetafileCanvas::text(int x, int y, std::string_view utf8, const Font& font, Rgb color) {
    base::Conversion c = base::utf8ToCp932(utf8);
    if (!c.ok && unencodable_.empty()) unencodable_ = std::string(utf8);
    std::string bytes = std::move(c.text);
    if (bytes.empty()) return;
    // A record holds at most 32767 characters.
    bytes = std::string(base::cutCp932Bytes(bytes, 32766));
    if (x < kCoordMin || x > kCoordMax || y < kCoordMin || y > kCoordMax) return;
    if (clip_) {
        const Rect& k = *clip_;
        if (k.empty() || x >= k.right || y >= k.bottom || y + font.height <= k.top) return;
    }
    useFont(font);
    if (!textColour_ || *textColour_ != color) {
        beginRecord(kSetTextColor, 2);
        colour(color);
        textColour_ = color;
    }
    const std::size_t n = bytes.size();
    if (n % 2) bytes.push_back('\0');
    if (clip_) {
        beginRecord(kExtTextOut, 4 + 4 + bytes.size() / 2);
        word(w16(y));
        word(w16(x));
        word(std::uint16_t(n));
        word(kEtoClipped);
        word(w16(clip_->left));
        word(w16(clip_->top));
        word(w16(clip_->right));
        word(w16(clip_->bottom));
    } else {
        beginRecord(kTextOut, 1 + bytes.size() / 2 + 2);
        word(std::uint16_t(n));
    }
    for (std::size_t i = 0; i < bytes.size(); i += 2)
        word(std::uint16_t(std::uint8_t(bytes[i]) | (std::uint8_t(bytes[i + 1]) << 8)));
    if (!clip_) {
        word(w16(y));
        word(w16(x));
    }
}

void MetafileCanvas::bitmap(int x, int y, const Bitmap& bmp, const Rect& part0) {
    if (!bmp.valid()) return;
    const Rect bounds = clip_ ? clip_->intersected(Rect{0, 0, width_, height_}) : Rect{0, 0, width_, height_};
    Rect part;
    int dx = 0, dy = 0;
    if (!placeBitmap(x, y, bmp, part0, bounds, part, dx, dy)) return;
    const int w = part.width(), h = part.height();
    const std::size_t rowBytes = (std::size_t(w) * 3 + 3) & ~std::size_t(3);
    const std::size_t dibBytes = 40 + rowBytes * std::size_t(h);
    beginRecord(kStretchDib, 11 + (dibBytes + 1) / 2);
    word(std::uint16_t(kSrcCopy & 0xFFFF));
    word(std::uint16_t(kSrcCopy >> 16));
    word(0);  // colours are RGB values
    word(std::uint16_t(h));
    word(std::uint16_t(w));
    word(0);
    word(0);
    word(std::uint16_t(h));
    word(std::uint16_t(w));
    word(w16(dy));
    word(w16(dx));
    std::string dib;
    dib.reserve(dibBytes + 1);
    putLe32(dib, 40);
    putLe32(dib, std::uint32_t(w));
    putLe32(dib, std::uint32_t(h));  // rows from bottom to top
    putLe16(dib, 1);
    putLe16(dib, 24);
    putLe32(dib, 0);
    putLe32(dib, std::uint32_t(rowBytes * std::size_t(h)));
    putLe32(dib, 0);
    putLe32(dib, 0);
    putLe32(dib, 0);
    putLe32(dib, 0);
    for (int row = part.bottom - 1; row >= part.top; --row) {
        std::size_t n = 0;
        for (int col = part.left; col < part.right; ++col, n += 3) {
            const Rgb c = fromXrgb(bmp.at(col, row));
            dib.push_back(char(c.b));
            dib.push_back(char(c.g));
            dib.push_back(char(c.r));
        }
        for (; n < rowBytes; ++n) dib.push_back('\0');
    }
    if (dib.size() % 2) dib.push_back('\0');
    for (std::size_t i = 0; i < dib.size(); i += 2)
        word(std::uint16_t(std::uint8_t(dib[i]) | (std::uint8_t(dib[i + 1]) << 8)));
}

std::string MetafileCanvas::bits() const {
    const std::size_t total = 9 + words_.size() + 3;
    std::string out;
    out.reserve(total * 2);
    putLe16(out, 1);       // memory metafile
    putLe16(out, 9);       // header words
    putLe16(out, 0x0300);  // version
    putLe32(out, std::uint32_t(total));
    putLe16(out, unsigned(slots_.size()));
    putLe32(out, std::uint32_t(std::max<std::size_t>(maxRecord_, 3)));
    putLe16(out, 0);
    for (std::uint16_t w : words_) putLe16(out, w);
    putLe32(out, 3);  // end record
    putLe16(out, kEof);
    return out;
}

PlaceableFrame placeableFrame(int width, int height, int dotsPerInch) {
    PlaceableFrame f;
    const int dpi = dotsPerInch > 0 ? dotsPerInch : 96;
    int factor = 768 / dpi;
    const int w = std::max(width, 1), h = std::max(height, 1);
    const int fits = std::max(1, std::min(32767 / w, 32767 / h));
    if (factor < 1 || factor > fits) {
        // A screen finer than 768 dpi, or a page too large for 16-bit bounds: scale
        // the bounds down and the units per inch with them, so the picture keeps its
        // size in inches instead of collapsing or overflowing.
        factor = std::min(std::max(factor, 1), fits);
        f.unitsPerInch = std::min(65535, dpi * factor);
    }
    f.right = width * factor;
    f.bottom = height * factor;
    return f;
}

std::string placeableHeader(const PlaceableFrame& frame) {
    std::string h;
    putLe32(h, 0x9AC6CDD7u);
    putLe16(h, 0);  // handle
    putLe16(h, 0);  // left
    putLe16(h, 0);  // top
    putLe16(h, unsigned(frame.right) & 0xFFFF);
    putLe16(h, unsigned(frame.bottom) & 0xFFFF);
    putLe16(h, unsigned(frame.unitsPerInch) & 0xFFFF);
    putLe32(h, 0);  // reserved
    unsigned sum = 0;
    for (std::size_t i = 0; i < 20; i += 2) sum ^= std::uint8_t(h[i]) | (std::uint8_t(h[i + 1]) << 8);
    putLe16(h, sum);
    return h;
}

int writePlaceableMetafile(const std::string& path, const MetafileCanvas& page, int dotsPerInch) {
    if (page.width() <= 0 || page.height() <= 0 || page.width() > kCoordMax || page.height() > kCoordMax)
        return -10;
    base::AtomicFile f;
    if (!f.open(path)) return -1;
    f.write(placeableHeader(placeableFrame(page.width(), page.height(), dotsPerInch)));
    if (!f.write(page.bits()) || !f.commit()) return -4;
    return 0;
}

}  // namespace view
