// Metafile pages: a canvas that records its drawing as Windows metafile records, and
// the placeable metafile file (.wmf) that holds them.
#pragma once

#include "view/canvas.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace view {

// Records drawing as 16-bit Windows metafile records in logical units of one pixel,
// with the window origin at (0, 0) and the window extent width × height. Text goes
// out in CP932 with the Shift-JIS character set and a transparent background; a
// clip rectangle is applied here in software (lines are cut, rectangles and bitmaps
// trimmed, text is clipped by its own record), so no player has to honour a clip
// region.
class MetafileCanvas : public Canvas {
public:
    MetafileCanvas(int width, int height);

    int width() const override { return width_; }
    int height() const override { return height_; }
    void line(int x1, int y1, int x2, int y2, const Pen& pen) override;
    void fillRect(const Rect& r, Rgb color) override;
    void rectangle(const Rect& r, const Pen& pen, std::optional<Rgb> fill) override;
    void text(int x, int y, std::string_view utf8, const Font& font, Rgb color) override;
    using Canvas::bitmap;
    void bitmap(int x, int y, const Bitmap& bmp, const Rect& part) override;
    void setClip(const Rect& r) override { clip_ = r; }
    void clearClip() override { clip_.reset(); }

    // The metafile: its 18-byte header, the records and the end record.
    std::string bits() const;
    // How many records were drawn so far (the set-up records included).
    std::size_t recordCount() const { return records_; }
    // The first text that held a character without a CP932 form (that character was
    // left out); empty when there was none.
    const std::string& unencodableText() const { return unencodable_; }

private:
    struct Brush {
        bool hollow = false;
        Rgb color;
        friend bool operator==(const Brush&, const Brush&) = default;
    };
    struct PenObject {
        bool none = false;
        Pen pen;
        friend bool operator==(const PenObject&, const PenObject&) = default;
    };

    void record(std::uint16_t function, std::initializer_list<std::uint16_t> params);
    void beginRecord(std::uint16_t function, std::size_t paramWords);
    void word(std::uint16_t w) { words_.push_back(w); }
    void colour(Rgb c);
    // Drawing objects stay in the object table once made, so switching back and forth
    // between pens costs one select record; each kind keeps at most kCachedObjects.
    template <class T>
    struct ObjectCache {
        std::vector<std::pair<T, int>> entries;  // object, slot
        int current = -1;                        // selected slot
    };
    static constexpr std::size_t kCachedObjects = 16;
    int createObject();
    // Selects the cached object or returns false; then the caller creates it.
    template <class T>
    bool selectCached(ObjectCache<T>& cache, const T& object);
    template <class T>
    void selectCreated(ObjectCache<T>& cache, const T& object, int slot);
    void usePen(const PenObject& p);
    void useBrush(const Brush& b);
    void useFont(const Font& f);
    void rawLine(int x1, int y1, int x2, int y2, const Pen& pen);
    void rawRectangle(const Rect& r);

    int width_, height_;
    std::vector<std::uint16_t> words_;
    std::size_t records_ = 0;
    std::size_t maxRecord_ = 0;
    std::vector<bool> slots_;
    ObjectCache<PenObject> pens_;
    ObjectCache<Brush> brushes_;
    ObjectCache<Font> fonts_;
    std::optional<Rgb> textColour_;
    std::optional<Rect> clip_;
    std::string unencodable_;
};

// Units per inch and bounding box of a page of width × height pixels on a screen
// of `dotsPerInch`.
struct PlaceableFrame {
    int right = 0, bottom = 0;
    int unitsPerInch = 768;
};
PlaceableFrame placeableFrame(int width, int height, int dotsPerInch);

// The 22-byte placeable header: key 0x9AC6CDD7, bounding box, units per inch and the
// checksum (XOR of the ten words before it).
std::string placeableHeader(const PlaceableFrame& frame);

// Writes the page to `path` as a placeable metafile. Returns 0; -1 when the file
// cannot be opened; -4 when writing fails; -10 when the page is empty or larger than
// a metafile's 16-bit coordinates hold. A failure leaves an earlier file untouched.
int writePlaceableMetafile(const std::string& path, const MetafileCanvas& page, int dotsPerInch);

}  // namespace view
