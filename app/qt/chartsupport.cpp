#include "chartsupport.h"

#include "base/services.h"

#ifdef CHRONAVA_HAVE_CONVERT
#include "convert/converter.h"
#endif

namespace appqt {

namespace {

view::Rgb toView(app::Rgb c) { return view::rgb(c.r, c.g, c.b); }
app::Rgb toRecord(view::Rgb c) { return app::Rgb{c.r, c.g, c.b}; }

view::DateFields dateOf(const app::Six& s, double fraction) {
    return view::DateFields{s[0], s[1], s[2], s[3], s[4], s[5], fraction};
}
app::Six sixOf(const view::DateFields& d) { return {d.year, d.month, d.day, d.hour, d.minute, d.second}; }

// The record's colour slots in the order of the options page's colour list.
constexpr app::ParamRecord::ChartColour kColourSlots[view::kParamColourCount] = {
    app::ParamRecord::kSignal, app::ParamRecord::kBackground, app::ParamRecord::kName,
    app::ParamRecord::kComment, app::ParamRecord::kAxis,       app::ParamRecord::kGrid};

}  // namespace

view::ChartParams chartParamsFrom(const app::ParamRecord& rec) {
    view::ChartParams p;
    p.preprocessor = rec.preprocessCommand();
    p.commentDisplay = rec.chartCommentDisplay();
    p.minResolution = rec.minResolution();
    p.sortByName = rec.sortSignals() != 0;
    p.show100Line = rec.show100Line() != 0;
    p.heightUnit = rec.chartHeightUnit();
    for (int i = 0; i < view::kParamColourCount; ++i) p.colours[i] = toView(rec.chartColour(kColourSlots[i]));
    app::Six out = rec.outputSize();  // margins top, left, right, bottom; width, height
    p.marginTop = out[0];
    p.marginLeft = out[1];
    p.marginRight = out[2];
    p.marginBottom = out[3];
    p.outputWidth = out[4];
    p.outputHeight = out[5];
    p.outputColourMode = rec.outputColourMode();
    p.rangeGiven = rec.outputGivenRange() != 0;
    p.rangeStart = dateOf(rec.rangeStart(), rec.rangeStartFraction());
    p.rangeEnd = dateOf(rec.rangeEnd(), rec.rangeEndFraction());
    app::Six per = rec.timePerPage();
    p.timePerPage = view::PeriodFields{per[0], per[1], per[2], per[3], per[4], per[5], rec.timePerPageFraction()};
    p.skipUnchanged = rec.outputAllPages() == 0;
    p.showUpperScale = rec.hideUpperScale() == 0;
    p.divideByPageCount = rec.pageDivision() != 0;
    p.pageCount = rec.pageCount();
    p.tellPageCount = rec.tellPageCount() != 0;
    p.sanitize();
    return p;
}

void storeChartParams(const view::ChartParams& p, app::ParamRecord& rec) {
    rec.setPreprocessCommand(p.preprocessor);
    rec.setChartCommentDisplay(p.commentDisplay);
    rec.setMinResolution(p.minResolution);
    rec.setSortSignals(p.sortByName ? 1 : 0);
    rec.setShow100Line(p.show100Line ? 1 : 0);
    rec.setChartHeightUnit(p.heightUnit);
    for (int i = 0; i < view::kParamColourCount; ++i) rec.setChartColour(kColourSlots[i], toRecord(p.colours[i]));
    rec.setOutputSize({p.marginTop, p.marginLeft, p.marginRight, p.marginBottom, p.outputWidth, p.outputHeight});
    rec.setOutputColourMode(p.outputColourMode);
    rec.setOutputGivenRange(p.rangeGiven ? 1 : 0);
    rec.setRangeStart(sixOf(p.rangeStart));
    rec.setRangeStartFraction(p.rangeStart.fraction);
    rec.setRangeEnd(sixOf(p.rangeEnd));
    rec.setRangeEndFraction(p.rangeEnd.fraction);
    const view::PeriodFields& t = p.timePerPage;
    rec.setTimePerPage({t.years, t.months, t.days, t.hours, t.minutes, t.seconds});
    rec.setTimePerPageFraction(t.fraction);
    rec.setOutputAllPages(p.skipUnchanged ? 0 : 1);
    rec.setHideUpperScale(p.showUpperScale ? 0 : 1);
    rec.setPageDivision(p.divideByPageCount ? 1 : 0);
    rec.setPageCount(p.pageCount);
    rec.setTellPageCount(p.tellPageCount ? 1 : 0);
}

bool convertLogToChart(const std::string& logPath, const std::string& chartPath) {
#ifdef CHRONAVA_HAVE_CONVERT
    convert::Converter c;
    if (c.convert(logPath, chartPath) != 0)
        base::services().appendMessage(base::kListChart, c.reason().empty() ? logPath : c.reason());
    return true;
#else
    (void)logPath, (void)chartPath;
    return false;
#endif
}

EditorLaunch editorLaunch(std::string_view line, bool chartSet, const std::string& logPath) {
    EditorLaunch e;
    std::string s(line);
    if (s.size() >= 2 && s.front() == '"' && s.back() == '"') s = s.substr(1, s.size() - 2);
    else if (!s.empty() && s.front() == '"') s.erase(0, 1);
    std::size_t cut = s.find_last_of("/\\");
    if (cut == std::string::npos) {
        e.program = s;
    } else {
        e.folder = s.substr(0, cut == 0 ? 1 : cut);
        e.program = s.substr(cut + 1);
    }
    if (chartSet && !logPath.empty())
        e.argument = logPath.size() >= 2 && logPath.front() == '"' && logPath.back() == '"'
                         ? logPath.substr(1, logPath.size() - 2)
                         : logPath;
    return e;
}

}  // namespace appqt
