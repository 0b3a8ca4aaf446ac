// The user's settings for showing and exporting timing charts, as a plain record,
// and the logic of the options page on which they are edited (field texts, their
// ranges and order of checking, storing, and what an open chart must do afterwards).
//
// The parameter record of the user holds these values at fixed places; the
// application layer copies them in and out (docs/painter.md lists the places).
#pragma once

#include "view/canvas.h"

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace view {

// Comment display settings.
enum CommentDisplay { kCommentsHidden = 0, kCommentsShown = 1, kCommentsAll = 2 };
// Minimum resolution choices.
enum MinResolution { kResolutionAuto = 0, kResolutionSeconds = 1, kResolutionMilli = 2, kResolutionMicro = 3 };

// A calendar time typed on the options page (the output range ends).
struct DateFields {
    int year = 2001, month = 1, day = 1, hour = 0, minute = 0, second = 0;
    double fraction = 0;  // chart units below one second
    friend bool operator==(const DateFields&, const DateFields&) = default;
};

// A length of time per output page.
struct PeriodFields {
    int years = 0, months = 0, days = 0, hours = 0, minutes = 0, seconds = 0;
    double fraction = 0;
    friend bool operator==(const PeriodFields&, const PeriodFields&) = default;
};

// The six chart colours in the order of the options page's colour list.
enum ParamColour { kColourSignal, kColourBackground, kColourName, kColourComment, kColourAxis, kColourGrid };
inline constexpr int kParamColourCount = 6;
// Names of the colour list entries, in that order.
std::string_view chartColourName(int index);
// The standard colours that "標準色に戻す" restores.
std::array<Rgb, kParamColourCount> standardChartColours();

struct ChartParams {
    static constexpr std::size_t kPreprocessorBytes = 256;  // CP932 bytes with the terminator
    static constexpr int kMinHeightUnit = 8, kMaxHeightUnit = 16;
    static constexpr int kMinOutputMm = 64, kMaxOutputMm = 1280;
    static constexpr int kMaxMarginMm = 100;
    static constexpr int kMinPageCount = 1, kMaxPageCount = 1000;

    std::string preprocessor = "/bin/sh awk/tcplog.sh &B";  // generation run's first step
    int commentDisplay = kCommentsShown;
    int minResolution = kResolutionAuto;
    bool sortByName = false;
    bool show100Line = true;
    int heightUnit = 11;  // u: a row is 4u high; the page shows and takes 2u
    std::array<Rgb, kParamColourCount> colours = standardChartColours();

    // File output.
    int outputWidth = 170, outputHeight = 110;  // mm
    int marginTop = 0, marginBottom = 0, marginLeft = 0, marginRight = 0;  // mm
    int outputColourMode = 0;  // 0 as on screen, 1 monochrome
    bool rangeGiven = false;   // false: the whole chart
    DateFields rangeStart{2001, 1, 1, 0, 0, 0, 0};
    DateFields rangeEnd{2001, 1, 1, 0, 24, 0, 0};
    bool skipUnchanged = false;   // leave out pages on which nothing changes
    bool showUpperScale = false;  // draw the ruler strip on output pages
    bool divideByPageCount = true;
    int pageCount = 24;
    PeriodFields timePerPage{0, 0, 0, 0, 1, 0, 0};
    bool tellPageCount = false;

    Rgb colour(ParamColour c) const { return colours[c]; }

    // Brings every value into its range, so that values from a damaged parameter file
    // cannot upset drawing or export: numbers are clamped, choices outside their list
    // fall back to the first entry, the command line is cut to its byte limit.
    void sanitize();
    friend bool operator==(const ChartParams&, const ChartParams&) = default;
};

// ---- The options page "タイミングチャート" -------------------------------------------

// The numeric fields in the order in which OK and Apply check them.
struct OptionField {
    int id;  // control id
    int min, max;
};
inline constexpr int kOptionFieldCount = 26;
extern const std::array<OptionField, kOptionFieldCount> kOptionFields;
// Index into kOptionFields of a control id, -1 when it is not a numeric field.
int optionFieldIndex(int id);

// What the page shows: the numeric fields as typed texts, the rest as values.
struct ChartOptionsForm {
    std::string preprocessor;
    int minResolution = 0;   // drop-down index
    int commentDisplay = 0;  // drop-down index
    bool sortByName = false, show100Line = false;
    std::array<std::string, kOptionFieldCount> numbers;  // in kOptionFields order
    std::string startFraction, endFraction, pageFraction;
    int outputColourMode = 0;
    bool rangeGiven = false, skipUnchanged = false, showUpperScale = false;
    bool divideByPageCount = true, tellPageCount = false;
    std::array<Rgb, kParamColourCount> colours{};  // the working colour table
    enum ColourState { Unchanged, Changed, Reset } colourState = Unchanged;

    // The text of numeric field `id` (a scratch text for an id that is not one).
    std::string& number(int id);
};

// Fills the page from the parameters: numbers as "%d", fractions as "%.0f".
ChartOptionsForm fillOptionsForm(const ChartParams& p);

// The outcome of checking the page.
struct OptionsCheck {
    bool ok = true;
    int fieldId = 0;      // the offending control, 0 for the range and margin checks
    bool beep = false;
    std::string message;  // warning box text
};

// Checks the page as OK and Apply do: the 26 fields in order, then the output range
// (when a range is given) and the margins. A field whose text is not a whole number
// is refused like one out of its range.
OptionsCheck checkOptionsForm(const ChartOptionsForm& form);

// Stores a checked page into the parameters (colours: a changed table is copied, a
// reset restores the standard colours).
void storeOptionsForm(const ChartOptionsForm& form, ChartParams& p);

// What an open chart needs after OK or Apply, from the values at the page's opening
// (or last Apply) and the stored ones.
enum class ChartRefresh { None, Redraw, Reread };
ChartRefresh refreshAfterOptions(const ChartParams& before, const ChartParams& after,
                                 ChartOptionsForm::ColourState colourState);

}  // namespace view
