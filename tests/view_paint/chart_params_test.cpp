#include "view/chart_params.h"

#include <gtest/gtest.h>

using view::ChartOptionsForm;
using view::ChartParams;

TEST(ChartOptions, FillShowsTheParametersAndStoreTakesThemBack) {
    ChartParams p;
    p.heightUnit = 12;
    p.rangeStart.fraction = 250;
    p.colours[view::kColourGrid] = view::rgb(1, 2, 3);
    ChartOptionsForm f = view::fillOptionsForm(p);
    EXPECT_EQ(f.number(17927), "24");
    EXPECT_EQ(f.number(25893), "170");
    EXPECT_EQ(f.startFraction, "250");
    EXPECT_TRUE(view::checkOptionsForm(f).ok);
    ChartParams q;
    f.colourState = ChartOptionsForm::Changed;
    view::storeOptionsForm(f, q);
    EXPECT_EQ(q, p);

    // A signal height of 17 halves to 8; a reset brings back the standard colours.
    f.number(17927) = "17";
    f.colourState = ChartOptionsForm::Reset;
    view::storeOptionsForm(f, q);
    EXPECT_EQ(q.heightUnit, 8);
    EXPECT_EQ(q.colours, view::standardChartColours());
}

TEST(ChartOptions, FieldsAreCheckedInOrderAgainstTheirRanges) {
    ChartOptionsForm f = view::fillOptionsForm(ChartParams{});
    f.number(1049) = "60";   // start second
    f.number(1045) = "13";   // start month, earlier in the order
    view::OptionsCheck c = view::checkOptionsForm(f);
    EXPECT_FALSE(c.ok);
    EXPECT_TRUE(c.beep);
    EXPECT_EQ(c.fieldId, 1045);
    EXPECT_EQ(c.message, "設定値に誤りがあります(13)。");

    for (const char* bad : {"", "abc", "12x", "99999999999"}) {
        ChartOptionsForm g = view::fillOptionsForm(ChartParams{});
        g.number(25889) = bad;
        EXPECT_EQ(view::checkOptionsForm(g).fieldId, 25889) << bad;
    }
    ChartOptionsForm h = view::fillOptionsForm(ChartParams{});
    h.number(17927) = " 32 ";
    h.number(1059) = "1000";
    EXPECT_TRUE(view::checkOptionsForm(h).ok);
}

TEST(ChartOptions, RangeAndMarginChecks) {
    ChartOptionsForm f = view::fillOptionsForm(ChartParams{});
    // With the whole chart chosen, any start and end pass.
    f.number(1039) = "2005";
    EXPECT_TRUE(view::checkOptionsForm(f).ok);
    f.rangeGiven = true;
    view::OptionsCheck c = view::checkOptionsForm(f);
    EXPECT_FALSE(c.ok);
    EXPECT_EQ(c.message, "タイミングチャート\n出力範囲指定に誤りがあります。");
    // Equal dates and seconds: the fraction decides.
    f.number(1039) = "2001";
    f.number(1054) = "0";
    f.endFraction = std::string("5");
    EXPECT_TRUE(view::checkOptionsForm(f).ok);
    f.startFraction = std::string("5");
    EXPECT_FALSE(view::checkOptionsForm(f).ok);

    ChartOptionsForm m = view::fillOptionsForm(ChartParams{});
    m.number(25893) = "100";
    m.number(25890) = "50";
    m.number(25891) = "50";
    c = view::checkOptionsForm(m);
    EXPECT_FALSE(c.ok);
    EXPECT_EQ(c.message, "ファイル出力サイズに対して余白が大きすぎます。");
    m.number(25890) = "49";
    EXPECT_TRUE(view::checkOptionsForm(m).ok);
}

TEST(ChartOptions, WhatAnOpenChartNeedsAfterwards) {
    ChartParams a, b;
    EXPECT_EQ(view::refreshAfterOptions(a, b, ChartOptionsForm::Unchanged), view::ChartRefresh::None);
    b.sortByName = true;
    EXPECT_EQ(view::refreshAfterOptions(a, b, ChartOptionsForm::Unchanged), view::ChartRefresh::Reread);
    b = a;
    b.commentDisplay = 2;
    EXPECT_EQ(view::refreshAfterOptions(a, b, ChartOptionsForm::Unchanged), view::ChartRefresh::Redraw);
    b = a;
    b.outputWidth = 200;  // output settings leave the chart alone
    EXPECT_EQ(view::refreshAfterOptions(a, b, ChartOptionsForm::Unchanged), view::ChartRefresh::None);
    EXPECT_EQ(view::refreshAfterOptions(a, b, ChartOptionsForm::Changed), view::ChartRefresh::Redraw);
}

TEST(ChartParams, SanitizeBringsDamagedValuesIntoRange) {
    ChartParams p;
    p.heightUnit = 300;
    p.commentDisplay = 7;
    p.marginLeft = -4;
    p.pageCount = 0;
    p.rangeEnd.month = 14;
    p.preprocessor = std::string(400, 'x');
    p.sanitize();
    EXPECT_EQ(p.heightUnit, 16);
    EXPECT_EQ(p.commentDisplay, 0);
    EXPECT_EQ(p.marginLeft, 0);
    EXPECT_EQ(p.pageCount, 1);
    EXPECT_EQ(p.rangeEnd.month, 12);
    EXPECT_EQ(p.preprocessor.size(), 255u);
}
