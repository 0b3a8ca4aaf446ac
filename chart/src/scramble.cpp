#include "chart/scramble.h"

#include <array>

namespace chart {
namespace {

struct Tables {
    std::array<unsigned char, 256> read{};   // stored byte -> text byte
    std::array<unsigned char, 256> write{};  // text byte -> stored byte

    explicit Tables(int key) {
        read.fill(0);
        read[10] = 10;
        read[13] = 13;
        read[26] = 26;
        int m = (key >> 8) | (~key & 255);
        if (m <= 0) m = 13 - m;
        for (int i = 1; i <= 255; ++i) {
            if (i == 10 || i == 13 || i == 26) continue;
            int j = (m * i) & 255;
            while (read[j] != 0) j = (j + 1) & 255;
            read[j] = static_cast<unsigned char>(i);
        }
        for (int j = 0; j < 256; ++j) write[read[j]] = static_cast<unsigned char>(j);
    }
};

const Tables& tables() {
    static const Tables t(kScrambleKey);
    return t;
}

bool keptByte(unsigned char b) { return b == 10 || b == 13 || b == 26; }

}  // namespace

const unsigned char* scrambleReadTable() { return tables().read.data(); }

std::string scrambleLine(std::string_view text, int lineNo) {
    const Tables& t = tables();
    std::string out;
    out.reserve(text.size() + 1);
    out += static_cast<char>(t.read[static_cast<unsigned>(lineNo) & 255] % 9 + 1);
    for (unsigned char b : text) out += static_cast<char>(keptByte(b) ? b : t.write[b]);
    return out;
}

std::string unscrambleLine(std::string_view stored) {
    if (stored.empty() || static_cast<unsigned char>(stored[0]) > 9) return std::string(stored);
    const Tables& t = tables();
    std::string out;
    out.reserve(stored.size());
    for (size_t i = 1; i < stored.size(); ++i) {
        unsigned char b = static_cast<unsigned char>(stored[i]);
        out += static_cast<char>(keptByte(b) ? b : t.read[b]);
    }
    return out;
}

}  // namespace chart
