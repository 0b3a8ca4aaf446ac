// The faster row walk against the plain one, rendered by the QImage canvas.
#include "view/painter.h"
#include "view/qt/painter_canvas.h"

#include "chart_generator.h"

#include <QGuiApplication>
#include <QImage>
#include <gtest/gtest.h>

using namespace painttest;

TEST(QImageWalk, FastAndPlainWalksRenderAlike) {
    for (unsigned seed : {11u, 12u}) {
        const chart::ChartModel m = generateChart(seed, 600);
        view::PaintIndex index;
        index.build(m);
        view::ChartParams params;
        params.heightUnit = 9;
        for (double scale : {0.7, 25.0, 1e9}) {
            for (double at : {0.0, 0.2, 0.35, 0.61, 1.0}) {
                view::ViewState view;
                view.paneWidth = 800;
                view.paneHeight = 360;
                view.load(m);
                view.scale = std::min(scale, view.fitScale);
                view.setViewStart(at * view.chartDuration());
                view::ViewState same = view;
                viewqt::ImageCanvas plainPane(800, 360), fastPane(800, 360), plainRuler(800, 32), fastRuler(800, 32);
                view::ChartPainter plain(m, params, view::ChartPalette::from(params));
                plain.setPlainWalk(true);
                view::ChartPainter fast(m, params, view::ChartPalette::from(params));
                fast.setIndex(&index);
                plain.fillBackground(plainPane);
                fast.fillBackground(fastPane);
                plain.paintScreen(plainPane, &plainRuler, view);
                fast.paintScreen(fastPane, &fastRuler, same);
                ASSERT_TRUE(plainPane.finish() == fastPane.finish()) << seed << " " << scale << " " << at;
                ASSERT_TRUE(plainRuler.finish() == fastRuler.finish());
            }
        }
    }
}

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    viewqt::installFontSubstitutions();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
