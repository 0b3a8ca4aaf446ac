#include "formula/lexer.h"

#include "base/text.h"

namespace celvane::formula {
namespace {

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// Characters that end a word: blanks, operators, separators, quotes.
struct SpecialTable {
    bool special[256] = {};
    SpecialTable() {
        for (unsigned char c : std::string_view("!#%&()*+,-/:;<=>^{}\" \t\r\n")) special[c] = true;
    }
};
const SpecialTable kSpecial;

bool isSpecial(char c) { return kSpecial.special[static_cast<unsigned char>(c)]; }

struct ErrorText {
    std::string_view text;
    std::uint8_t code;
};

constexpr ErrorText kErrors[] = {
    {"#DIV/0!", 0x07}, {"#N/A", 0x2A},   {"#NAME?", 0x1D}, {"#NULL!", 0x00},
    {"#NUM!", 0x24},   {"#REF!", kErrorRef}, {"#VALUE!", 0x0F},
};

char upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

// A word that so far reads as the mantissa of a number followed by "e" ("1.5e"): a
// sign after it belongs to the exponent, not to an operator.
bool endsInExponentMark(std::string_view w) {
    if (w.size() < 2 || (w.back() != 'e' && w.back() != 'E')) return false;
    bool digit = false;
    bool dot = false;
    for (std::size_t i = 0; i + 1 < w.size(); ++i) {
        char c = w[i];
        if (c >= '0' && c <= '9') digit = true;
        else if (c == '.' && !dot) dot = true;
        else return false;
    }
    return digit;
}

}  // namespace

std::size_t multibyteLength(std::string_view text, std::size_t i, CodePage codePage) {
    unsigned char b = static_cast<unsigned char>(text[i]);
    std::size_t n = codePage == CodePage::Cp932 ? (base::isCp932Lead(b) ? 2 : 1) : base::utf8SeqLen(b);
    return std::min(n, text.size() - i);
}

int lex(std::string_view text, CodePage codePage, std::vector<LexToken>& out) {
    out.clear();
    // The table grows in steps of 256 entries, like the fixed-size tables it replaces.
    auto push = [&](LexToken t) -> bool {
        if (out.size() >= kMaxLexTokens) return false;
        if (out.size() == out.capacity()) out.reserve(out.capacity() + 256);
        out.push_back(std::move(t));
        return true;
    };
    std::size_t i = 0;
    const std::size_t n = text.size();
    while (i < n) {
        char c = text[i];
        if (isBlank(c)) {
            ++i;
            continue;
        }
        LexToken t;
        t.kind = Lex::Word;
        if (c == '"') {
            t.kind = Lex::String;
            ++i;
            bool closed = false;
            while (i < n) {
                if (text[i] == '"') {
                    if (i + 1 < n && text[i + 1] == '"') {
                        t.text += '"';
                        i += 2;
                        continue;
                    }
                    ++i;
                    closed = true;
                    break;
                }
                std::size_t len = charLength(text, i, codePage);
                t.text.append(text.substr(i, len));
                i += len;
            }
            if (!closed) return kUnbalanced;
        } else if (c == '#') {
            const ErrorText* best = nullptr;
            for (const ErrorText& e : kErrors) {
                if (n - i < e.text.size()) continue;
                bool match = true;
                for (std::size_t k = 0; k < e.text.size() && match; ++k) match = upper(text[i + k]) == e.text[k];
                if (match && (!best || e.text.size() > best->text.size())) best = &e;
            }
            if (!best) return kSyntax;
            t.kind = Lex::Error;
            t.code = best->code;
            i += best->text.size();
        } else if (isSpecial(c)) {
            ++i;
            char next = i < n ? text[i] : '\0';
            switch (c) {
            case '!': t.kind = Lex::Bang; break;
            case '%': t.kind = Lex::Percent; break;
            case '(': t.kind = Lex::Open; break;
            case ')': t.kind = Lex::Close; break;
            case ',': t.kind = Lex::Comma; break;
            case ';': t.kind = Lex::Semicolon; break;
            case '{': t.kind = Lex::OpenBrace; break;
            case '}': t.kind = Lex::CloseBrace; break;
            case ':': t.kind = Lex::Colon; break;
            default:
                t.kind = Lex::Operator;
                switch (c) {
                case '+': t.code = kOpAdd; break;
                case '-': t.code = kOpSub; break;
                case '*': t.code = kOpMul; break;
                case '/': t.code = kOpDiv; break;
                case '^': t.code = kOpPower; break;
                case '&': t.code = kOpConcat; break;
                case '=': t.code = kOpEqual; break;
                case '<':
                    if (next == '=') t.code = kOpLessEqual, ++i;
                    else if (next == '>') t.code = kOpNotEqual, ++i;
                    else t.code = kOpLess;
                    break;
                case '>':
                    if (next == '=') t.code = kOpGreaterEqual, ++i;
                    else t.code = kOpGreater;
                    break;
                }
            }
        } else {
            std::size_t start = i;
            while (i < n) {
                char d = text[i];
                if (isSpecial(d)) {
                    bool sign = (d == '+' || d == '-') && endsInExponentMark(text.substr(start, i - start));
                    if (!sign) break;
                    ++i;
                    continue;
                }
                i += charLength(text, i, codePage);
            }
            t.word = text.substr(start, i - start);
        }
        if (!push(std::move(t))) return kNoMemory;
    }
    return kOk;
}

}  // namespace celvane::formula
