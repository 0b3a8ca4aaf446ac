// Random charts that exercise every drawing rule of the painter's row walk.
#pragma once

#include "model_builder.h"

#include <random>
#include <string>

namespace painttest {

// Rows of every kind with labels of many lengths, long pulses now and then, a row of
// mixed kinds slightly out of time order, and a row whose values all come before its
// display marks (so its guide lines show only if a skipped value drew them), and a
// row of dense clusters of one checkpoint block each with wide gaps between them, so
// that views in a gap depend on the pen taken over from the skipped cluster.
inline chart::ChartModel generateChart(unsigned seed, int events) {
    std::mt19937 rng(seed);
    chart::ChartModel m = makeModel(3, 600);
    for (int c = 1; c <= 40; ++c) addComment(m, c, std::string(std::size_t(c % 23 + 1), char('a' + c % 26)));
    for (int d = 1; d <= 5; ++d) m.displayTexts[std::size_t(d)] = "DISPLAY" + std::to_string(d);
    const char kinds[] = {'S', 'P', 'G', 'V', 'D', 'S'};
    for (int n = 1; n <= 9; ++n) {
        addSignal(m, n, "SIG" + std::to_string(n));
        double at = double(rng() % 3000);
        for (int i = 0; i < events; ++i) {
            at += double(rng() % 1200);
            double when = at;
            if (n == 8) when = double(i / 64) * 50000 + double(i % 64) * 10;
            // Bursts of state changes a fraction of a pixel apart at most zooms.
            if (n == 9) when = double(i / 256) * 150000 + double(i % 256) * (i / 256 == 1 ? 40 : 0.3);
            if (n == 6 && rng() % 10 == 0) when -= double(rng() % 5000);  // out of order
            const bool clusterEnd = n == 8 && i % 64 == 63;
            const char k = clusterEnd ? kinds[(i / 64) % 4]
                           : n == 9  ? (i == 300 ? 'V' : 'S')
                           : n == 7  ? (i < 100 ? 'V' : 'D')
                           : n >= 6  ? kinds[rng() % (n == 8 ? 4 : 5)]
                                     : kinds[n - 1];
            int value = int(rng() % 2);
            if (clusterEnd && k == 'S') value = 1;
            int unit = 0;
            if (k == 'P') {
                unit = 1 + int(rng() % 2);
                value = n == 2 && rng() % 50 == 0 ? int(rng() % 200000) : int(rng() % 400);
            } else if (k == 'G') {
                value = int(rng() % 101) * 1000 + 10 * int(rng() % 4) + int(rng() % 4);
            } else if (k == 'V') {
                value = int(rng() % 100001);
            } else if (k == 'D') {
                value = 1 + int(rng() % 5);
            }
            // Row 9 keeps its first and third bursts plain (no labels).
            const bool labelled = n == 9 ? i / 256 == 1 && rng() % 50 == 0 : rng() % 4 == 0;
            const int comment = labelled ? 1 + int(rng() % 40) : 0;
            addEvent(m, n, when, k, value, comment, unit);
        }
    }
    return m;
}


}  // namespace painttest
