#include "formula/record.h"

#include <cstring>

#include "formula/strings.h"

namespace celvane::formula {
namespace {

bool knownErrorCode(int code) {
    switch (code) {
    case 0x00: case 0x07: case 0x0F: case 0x17: case 0x1D: case 0x24: case 0x2A:
        return true;
    default:
        return false;
    }
}

void put16(std::string& out, unsigned v) {
    out += static_cast<char>(v & 0xFF);
    out += static_cast<char>((v >> 8) & 0xFF);
}

}  // namespace

int buildFormulaRecord(const Compiled& compiled, const Result* result, BiffVersion version,
                       CodePage codePage, std::string& formula, std::string& stringData) {
    formula.clear();
    stringData.clear();
    unsigned char value[8] = {};
    std::uint16_t options = kOptionsRecalculate;
    std::vector<std::uint8_t> text;
    if (result) {
        options = 0;
        switch (result->kind) {
        case static_cast<int>(ResultKind::Number):
        {
            std::uint64_t bits;
            std::memcpy(&bits, &result->number, 8);
            for (int i = 0; i < 8; ++i) value[i] = static_cast<unsigned char>(bits >> (8 * i));
            break;
        }
        case static_cast<int>(ResultKind::Boolean):
            value[0] = 1;
            value[2] = result->whole != 0 ? 1 : 0;
            value[6] = value[7] = 0xFF;
            break;
        case static_cast<int>(ResultKind::Error):
            if (!knownErrorCode(result->whole)) return kRecordBadArgument;
            value[0] = 2;
            value[2] = static_cast<unsigned char>(result->whole);
            value[6] = value[7] = 0xFF;
            break;
        case static_cast<int>(ResultKind::Text):
            if (result->text.size() > kMaxResultText) return kRecordTooLong;
            if (appendLongString(result->text, codePage, version, text) != kOk) return kRecordBadArgument;
            value[6] = value[7] = 0xFF;
            break;
        default:
            return kRecordBadArgument;
        }
    }
    const std::size_t stringRecord = text.empty() ? 0 : 4 + text.size();
    if (kFormulaHeaderSize + compiled.bytes.size() + stringRecord >= kTokenBufferSize) return kRecordTooLong;
    formula.reserve(16 + compiled.bytes.size());
    formula.append(reinterpret_cast<const char*>(value), 8);
    put16(formula, options);
    formula.append(4, '\0');
    put16(formula, static_cast<unsigned>(compiled.tokenLength));
    formula.append(compiled.bytes.begin(), compiled.bytes.end());
    stringData.assign(text.begin(), text.end());
    return 0;
}

}  // namespace celvane::formula
