// The window-free helpers of the chart window: the chart settings in the parameter
// record and the user editor's command line.
#include <gtest/gtest.h>

#include "app/params.h"
#include "chartsupport.h"

using namespace appqt;

TEST(ChartRecord, RoundTripKeepsEveryValueAndTheInvertedFlags) {
    view::ChartParams p;
    p.preprocessor = "/bin/sh awk/其の他.sh &B";
    p.commentDisplay = 2;
    p.minResolution = 3;
    p.sortByName = true;
    p.show100Line = false;
    p.heightUnit = 9;
    p.colours[view::kColourGrid] = view::rgb(1, 2, 3);
    p.marginTop = 1, p.marginLeft = 2, p.marginRight = 3, p.marginBottom = 4;
    p.outputWidth = 200, p.outputHeight = 100;
    p.outputColourMode = 1;
    p.rangeGiven = true;
    p.rangeStart = {2020, 2, 3, 4, 5, 6, 789};
    p.rangeEnd = {2021, 1, 1, 0, 0, 0, 0.5};
    p.skipUnchanged = true;
    p.showUpperScale = true;
    p.divideByPageCount = false;
    p.pageCount = 7;
    p.timePerPage = {0, 1, 2, 3, 4, 5, 6};
    p.tellPageCount = true;

    app::ParamRecord rec;
    storeChartParams(p, rec);
    EXPECT_EQ(chartParamsFrom(rec), p);
    // Skipping unchanged pages and showing the scale are kept as their opposites.
    EXPECT_EQ(rec.outputAllPages(), 0);
    EXPECT_EQ(rec.hideUpperScale(), 0);
    EXPECT_EQ(rec.six(app::off::kOutputSizeCopy), (app::Six{1, 2, 3, 4, 200, 100}));
    EXPECT_EQ(rec.chartColour(app::ParamRecord::kGrid), (app::Rgb{1, 2, 3}));
}

TEST(ChartRecord, DamagedValuesAreBroughtIntoRange) {
    app::ParamRecord rec;  // all zero: height unit 0, sizes 0, page count 0
    rec.setChartCommentDisplay(9);
    view::ChartParams p = chartParamsFrom(rec);
    EXPECT_GE(p.heightUnit, view::ChartParams::kMinHeightUnit);
    EXPECT_GE(p.outputWidth, view::ChartParams::kMinOutputMm);
    EXPECT_GE(p.pageCount, 1);
    EXPECT_GE(p.commentDisplay, 0);
    EXPECT_LE(p.commentDisplay, 2);
}

TEST(EditorLaunch, SplitsFolderProgramAndPassesTheLog) {
    EditorLaunch e = editorLaunch("\"/usr/local/bin/my editor\"", true, "/p/a.klg");
    EXPECT_EQ(e.folder, "/usr/local/bin");
    EXPECT_EQ(e.program, "my editor");
    EXPECT_EQ(e.argument, "/p/a.klg");

    // No folder: started without a working folder, found on PATH.
    e = editorLaunch("vi", true, "\"/p/b c.klg\"");
    EXPECT_EQ(e.folder, "");
    EXPECT_EQ(e.program, "vi");
    EXPECT_EQ(e.argument, "/p/b c.klg");

    // Without a chart the editor starts with no file.
    e = editorLaunch("C:\\tools\\edit.exe", false, "/p/a.klg");
    EXPECT_EQ(e.folder, "C:\\tools");
    EXPECT_EQ(e.program, "edit.exe");
    EXPECT_EQ(e.argument, "");
}
