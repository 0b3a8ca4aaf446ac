// Log -> chart -> model: what the converter writes, the reader gives back.
#include "base/services.h"
#include "chart/chart_file.h"
#include "convert_test_util.h"

#include <gtest/gtest.h>

#include <cstdio>

using namespace testutil;

namespace {

struct Expected {
    int signal;
    chart::ChartEvent event;
    std::string display;  // for D
};

TEST(RoundTrip, EveryKeywordSurvivesConversionAndReading) {
    std::string dir = tempDir();
    const char* names[] = {"CLK", "REQ", "BUS", "LOAD", "STATE", "ack"};
    const char* displays[] = {"IDLE", "BUSY", "待機", "a\"b"};
    std::vector<std::string> log = {"# generated", ""};
    std::vector<std::vector<Expected>> expect(7);
    std::vector<std::string> comments;
    unsigned seed = 99;
    auto rnd = [&](unsigned n) {
        seed = seed * 1103515245 + 12345;
        return (seed >> 16) % n;
    };
    int seconds = 3600;
    for (int i = 0; i < 400; ++i) {
        int s = static_cast<int>(rnd(6));
        seconds += static_cast<int>(rnd(3));
        unsigned frac = rnd(1000000);
        char stamp[64];
        std::snprintf(stamp, sizeof stamp, "2004/02/29 %02d:%02d:%02d.%06u", seconds / 3600, seconds / 60 % 60,
                      seconds % 60, frac);
        chart::ChartEvent e;
        e.time = {20040229, seconds, static_cast<double>(frac)};
        std::string word = std::string("$") + names[s] + "=";
        std::string display;
        switch (rnd(6)) {
            case 0: word += "ON", e.kind = 'S', e.value = 1; break;
            case 1: word += "off", e.kind = 'S', e.value = 0; break;
            case 2: {
                unsigned w = rnd(5000);
                bool micro = rnd(2);
                word += "PULSE(" + std::to_string(w) + (micro ? "u)" : ")");
                e.kind = 'P', e.value = static_cast<int>(w), e.pulseUnit = micro ? 2 : 1;
                break;
            }
            case 3: {
                unsigned g = rnd(101);
                word += "GRAPH(" + std::to_string(g) + ")", e.kind = 'G', e.value = static_cast<int>(g) * 1000;
                break;
            }
            case 4: {
                unsigned v = rnd(130);
                word += "VALUE(" + std::to_string(v) + "%)", e.kind = 'V', e.value = static_cast<int>(std::min(v, 100u)) * 1000;
                break;
            }
            default: {
                display = displays[rnd(4)];
                word += "DISP(\"" + display + "\")", e.kind = 'D';
                break;
            }
        }
        std::string line = std::string(stamp) + " " + word;
        if (rnd(3) == 0) {
            std::string c = "note " + std::to_string(rnd(20));
            line += " // " + c;
            auto it = std::find(comments.begin(), comments.end(), c);
            if (it == comments.end()) comments.push_back(c), it = comments.end() - 1;
            e.commentNo = static_cast<int>(it - comments.begin()) + 1;
        }
        log.push_back(line);
        expect[s + 1].push_back({s + 1, e, display});
    }
    writeLog(dir + "/gen.klg", log);
    ASSERT_EQ(convertFile(dir + "/gen.klg", dir + "/gen.tct"), 0);

    base::RecordingServices ui;
    base::ScopedServices scope(ui);
    chart::ChartModel m;
    int slots = 0;
    ASSERT_EQ(chart::ReadChartFile(false, dir + "/gen.tct", m, &slots), 0);
    EXPECT_TRUE(ui.boxes.empty());
    EXPECT_EQ(m.decimalDigits, 6);
    EXPECT_EQ(slots, 7);
    EXPECT_EQ(m.signalCount, 6);
    for (int s = 1; s <= 6; ++s) {
        // Signals are numbered in order of first appearance.
        int n = 0;
        for (int k = 1; k <= m.signalCount; ++k)
            if (m.signalNames[k] == names[s - 1]) n = k;
        ASSERT_NE(n, 0) << names[s - 1];
        ASSERT_EQ(m.events[n].size(), expect[s].size()) << n;
        for (std::size_t i = 0; i < expect[s].size(); ++i) {
            const chart::ChartEvent& got = m.events[n][i];
            chart::ChartEvent want = expect[s][i].event;
            if (want.kind == 'D') {
                // The reader drops the outer quotes of a text.
                EXPECT_EQ(m.displayText(got.value), expect[s][i].display == "a\"b" ? "ab" : expect[s][i].display);
                want.value = got.value;
            }
            EXPECT_EQ(got, want) << n << " " << i;
        }
    }
    for (std::size_t i = 0; i < comments.size(); ++i) EXPECT_EQ(m.commentText(static_cast<int>(i) + 1), comments[i]);
}

}  // namespace
