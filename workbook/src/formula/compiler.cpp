// Operator-precedence (shunting-yard) translation of the lexical tokens into postfix
// BIFF tokens. Operands are written as soon as they are read; operators wait on a
// stack until an operator of lower or equal precedence, a separator or the end of
// the formula releases them.
#include <charconv>
#include <cmath>
#include <cstring>
#include <new>

#include "formula/formula.h"
#include "formula/functions.h"
#include "formula/lexer.h"
#include "formula/strings.h"

namespace celvane::formula {
namespace {

// Token codes.
constexpr std::uint8_t kTokUnaryPlus = 0x12;
constexpr std::uint8_t kTokUnaryMinus = 0x13;
constexpr std::uint8_t kTokPercent = 0x14;
constexpr std::uint8_t kTokParen = 0x15;
constexpr std::uint8_t kTokMissingArg = 0x16;
constexpr std::uint8_t kTokString = 0x17;
constexpr std::uint8_t kTokError = 0x1C;
constexpr std::uint8_t kTokBool = 0x1D;
constexpr std::uint8_t kTokInt = 0x1E;
constexpr std::uint8_t kTokNumber = 0x1F;
constexpr std::uint8_t kTokArray = 0x60;
constexpr std::uint8_t kTokFunc = 0x41;
constexpr std::uint8_t kTokFuncVar = 0x42;
constexpr std::uint8_t kTokRef = 0x24;       // reference class; + class offset
constexpr std::uint8_t kTokArea = 0x25;
constexpr std::uint8_t kTokRefValue = 0x44;
constexpr std::uint8_t kTokRef3d = 0x3A;
constexpr std::uint8_t kTokRef3dValue = 0x5A;
constexpr std::uint8_t kTokArea3d = 0x3B;

// Array constant element types.
constexpr std::uint8_t kElemNumber = 1;
constexpr std::uint8_t kElemString = 2;
constexpr std::uint8_t kElemBool = 4;

constexpr int kUnaryPrecedence = 5;

int precedence(std::uint8_t op) {
    switch (op) {
    case kOpPower: return 4;
    case kOpMul: case kOpDiv: return 3;
    case kOpAdd: case kOpSub: return 2;
    case kOpConcat: return 0;  // looser than the comparisons
    default: return 1;         // comparisons
    }
}

char upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

bool equalsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (upper(a[i]) != upper(b[i])) return false;
    return true;
}

void put16(std::vector<std::uint8_t>& out, unsigned v) {
    out.push_back(static_cast<std::uint8_t>(v & 0xFF));
    out.push_back(static_cast<std::uint8_t>((v >> 8) & 0xFF));
}

void putDouble(std::vector<std::uint8_t>& out, double d) {
    std::uint64_t bits;
    std::memcpy(&bits, &d, sizeof bits);
    for (int i = 0; i < 8; ++i) out.push_back(static_cast<std::uint8_t>(bits >> (8 * i)));
}

void putZeros(std::vector<std::uint8_t>& out, std::size_t n) { out.insert(out.end(), n, 0); }

// One corner of a reference. Relative parts were written without "$".
struct Corner {
    int row = 0;
    int col = 0;
    bool rowRel = true;
    bool colRel = true;
};

enum class Part { Invalid, Cell, ColumnOnly, RowOnly };

// Reads "[$]letters[$]digits", "[$]letters" or "[$]digits".
Part parsePart(std::string_view w, int rowLimit, Corner& c) {
    std::size_t i = 0;
    bool dollar1 = false;
    bool dollar2 = false;
    if (i < w.size() && w[i] == '$') dollar1 = true, ++i;
    int letters = 0;
    int col = 0;
    while (i < w.size() && ((w[i] >= 'A' && w[i] <= 'Z') || (w[i] >= 'a' && w[i] <= 'z'))) {
        if (col <= 256) col = col * 26 + (upper(w[i]) - 'A' + 1);
        ++letters;
        ++i;
    }
    if (i < w.size() && w[i] == '$') dollar2 = true, ++i;
    int digits = 0;
    long row = 0;
    while (i < w.size() && w[i] >= '0' && w[i] <= '9') {
        if (row <= rowLimit) row = row * 10 + (w[i] - '0');
        ++digits;
        ++i;
    }
    if (i != w.size()) return Part::Invalid;
    if (letters > 0 && col > 256) return Part::Invalid;
    if (digits > 0 && (row < 1 || row > rowLimit)) return Part::Invalid;
    if (letters > 0 && digits > 0) {
        c = Corner{static_cast<int>(row - 1), col - 1, !dollar2, !dollar1};
        return Part::Cell;
    }
    if (letters > 0 && !dollar2) {
        c = Corner{0, col - 1, false, !dollar1};
        return Part::ColumnOnly;
    }
    if (digits > 0 && letters == 0 && !(dollar1 && dollar2)) {
        c = Corner{static_cast<int>(row - 1), 0, !(dollar1 || dollar2), false};
        return Part::RowOnly;
    }
    return Part::Invalid;
}

struct Reference {
    bool area = false;
    Corner a, b;
};

class Compiler {
public:
    Compiler(const Options& options, const std::vector<LexToken>& toks)
        : opt_(options), toks_(toks), rowLimit_(options.version == BiffVersion::Biff8 ? 65536 : 16384) {}

    int run(Compiled& out);

private:
    enum class Entry { Binary, Unary, Group };
    struct StackEntry {
        Entry type;
        std::uint8_t code;
    };
    struct Group {
        const Function* func;  // null for plain parentheses
        int argc = 0;
    };

    bool biff8() const { return opt_.version == BiffVersion::Biff8; }
    const LexToken* at(std::size_t i) const { return i < toks_.size() ? &toks_[i] : nullptr; }
    bool isKind(std::size_t i, Lex k) const { return i < toks_.size() && toks_[i].kind == k; }

    const Function* innermostFunction() const {
        for (auto it = groups_.rbegin(); it != groups_.rend(); ++it)
            if (it->func) return it->func;
        return nullptr;
    }

    void emitOperator(const StackEntry& e) { code_.push_back(e.code); }
    void popWhile(int minPrecedence) {
        while (!ops_.empty() && ops_.back().type != Entry::Group) {
            int p = ops_.back().type == Entry::Unary ? kUnaryPrecedence : precedence(ops_.back().code);
            if (p < minPrecedence) break;
            emitOperator(ops_.back());
            ops_.pop_back();
        }
    }

    int word();
    int sheetReference(int firstSheet, int lastSheet, int listPosition);
    int readReference(Reference& r, bool& found);
    void emitLocal(const Reference& r);
    int emit3d(const Reference& r, int firstSheet, int lastSheet, int listPosition);
    int constant(std::string_view w);
    int arrayConstant();
    int comma();
    int close();

    void putRow5(const Corner& c) { put16(code_, static_cast<unsigned>(c.row) | (c.rowRel ? 0x8000u : 0) | (c.colRel ? 0x4000u : 0)); }
    void putCol8(const Corner& c) { put16(code_, static_cast<unsigned>(c.col) | (c.rowRel ? 0x8000u : 0) | (c.colRel ? 0x4000u : 0)); }

    const Options& opt_;
    const std::vector<LexToken>& toks_;
    const int rowLimit_;
    std::size_t pos_ = 0;
    bool expectOperand_ = true;
    bool signed_ = false;  // the token just before was a unary sign
    std::vector<std::uint8_t> code_;
    std::vector<std::uint8_t> arrays_;
    std::vector<StackEntry> ops_;
    std::vector<Group> groups_;
    std::vector<ExternSheet> newExtern_;
};

int Compiler::run(Compiled& out) {
    code_.reserve(256);
    ops_.reserve(256);
    while (pos_ < toks_.size()) {
        const LexToken& t = toks_[pos_];
        bool sign = false;
        int rc = kOk;
        switch (t.kind) {
        case Lex::Word:
            if (!expectOperand_) return kSyntax;
            rc = word();
            break;
        case Lex::String:
            if (!expectOperand_) return kSyntax;
            code_.push_back(kTokString);
            rc = appendString(t.text, opt_.codePage, opt_.version, false, code_);
            expectOperand_ = false;
            ++pos_;
            break;
        case Lex::Error:
            if (!expectOperand_) return kSyntax;
            if (t.code == kErrorRef) {
                code_.push_back(kErrorRef);
                putZeros(code_, biff8() ? 4 : 3);
            } else {
                code_.push_back(kTokError);
                code_.push_back(t.code);
            }
            expectOperand_ = false;
            ++pos_;
            break;
        case Lex::OpenBrace:
            if (!expectOperand_) return kSyntax;
            rc = arrayConstant();
            break;
        case Lex::Operator:
            if (expectOperand_) {
                if (t.code != kOpAdd && t.code != kOpSub) return kSyntax;
                ops_.push_back({Entry::Unary, t.code == kOpAdd ? kTokUnaryPlus : kTokUnaryMinus});
                sign = true;
            } else {
                // Equal precedence is applied left to right.
                popWhile(precedence(t.code));
                ops_.push_back({Entry::Binary, t.code});
                expectOperand_ = true;
            }
            ++pos_;
            break;
        case Lex::Percent:
            if (expectOperand_) return kSyntax;
            code_.push_back(kTokPercent);
            ++pos_;
            break;
        case Lex::Open:
            if (!expectOperand_) return kSyntax;
            groups_.push_back({nullptr});
            ops_.push_back({Entry::Group, 0});
            ++pos_;
            break;
        case Lex::Comma:
            rc = comma();
            break;
        case Lex::Close:
            rc = close();
            break;
        case Lex::Semicolon:
        case Lex::CloseBrace:
        case Lex::Bang:
        case Lex::Colon:
            return kSyntax;
        }
        if (rc != kOk) return rc;
        signed_ = sign;
    }
    if (expectOperand_) return kSyntax;  // empty formula or a trailing operator
    while (!ops_.empty()) {
        if (ops_.back().type == Entry::Group) return kUnbalanced;
        emitOperator(ops_.back());
        ops_.pop_back();
    }
    const std::size_t total = code_.size() + arrays_.size();
    if (total > opt_.space || total >= kMaxCompiled) return kTooLong;
    out.tokenLength = code_.size();
    out.bytes = std::move(code_);
    out.bytes.insert(out.bytes.end(), arrays_.begin(), arrays_.end());
    out.newExternSheets = std::move(newExtern_);
    return kOk;
}

int Compiler::comma() {
    if (groups_.empty()) return kSyntax;
    if (expectOperand_) {
        if (ops_.back().type != Entry::Group) return kSyntax;  // "(1+,"
    } else {
        popWhile(-1);
    }
    Group& g = groups_.back();
    if (!g.func) return kCommaInGroup;
    if (expectOperand_) code_.push_back(kTokMissingArg);
    ++g.argc;
    expectOperand_ = true;
    ++pos_;
    return kOk;
}

int Compiler::close() {
    if (groups_.empty()) return kUnbalanced;
    Group& g = groups_.back();
    if (expectOperand_) {
        if (ops_.back().type != Entry::Group) return kSyntax;  // "(1+)"
        if (!g.func) return kSyntax;                           // "()"
        if (g.argc > 0) {                                      // "F(1,)"
            code_.push_back(kTokMissingArg);
            ++g.argc;
        }
    } else {
        popWhile(-1);
        ++g.argc;
    }
    ops_.pop_back();
    if (g.func) {
        const Function& f = *g.func;
        if (g.argc < f.minArgs || g.argc > f.maxArgs) return kArgumentCount;
        if (usesFixedToken(f)) {
            code_.push_back(kTokFunc);
        } else {
            code_.push_back(kTokFuncVar);
            code_.push_back(static_cast<std::uint8_t>(g.argc));
        }
        put16(code_, fileNumber(f));
    } else {
        code_.push_back(kTokParen);
    }
    groups_.pop_back();
    expectOperand_ = false;
    ++pos_;
    return kOk;
}

int Compiler::word() {
    const std::string_view w = toks_[pos_].word;
    // Sheet!ref or First:Last!ref
    if (isKind(pos_ + 1, Lex::Bang) ||
        (isKind(pos_ + 1, Lex::Colon) && isKind(pos_ + 2, Lex::Word) && isKind(pos_ + 3, Lex::Bang))) {
        if (!opt_.sheets) return kSyntax;
        int first = 0, listPosition = 0;
        if (!opt_.sheets->findSheet(w, first, listPosition)) return kSyntax;
        int last = first;
        if (isKind(pos_ + 1, Lex::Bang)) {
            pos_ += 2;
        } else {
            int unused = 0;
            if (!opt_.sheets->findSheet(toks_[pos_ + 2].word, last, unused)) return kSyntax;
            pos_ += 4;
        }
        return sheetReference(std::min(first, last), std::max(first, last), listPosition);
    }
    if (isKind(pos_ + 1, Lex::Open)) {
        std::string name;
        name.reserve(w.size());
        for (char c : w) name += upper(c);
        if (!name.empty() && name[0] == '@') name.erase(0, 1);
        const Function* f = findFunction(name);
        if (!f) return kSyntax;
        groups_.push_back({f});
        ops_.push_back({Entry::Group, 0});
        pos_ += 2;
        return kOk;  // still expecting an operand (the first argument)
    }
    Reference r;
    bool found = false;
    if (int rc = readReference(r, found); rc != kOk) return rc;
    if (found) {
        emitLocal(r);
    } else {
        if (int rc = constant(w); rc != kOk) return rc;
        ++pos_;
    }
    expectOperand_ = false;
    return kOk;
}

// Reads a cell, area, column range or row range at pos_ and moves past it. `found`
// stays false (and pos_ unchanged) when the word is not a reference at all.
int Compiler::readReference(Reference& r, bool& found) {
    const std::string_view w = toks_[pos_].word;
    Corner a;
    Part p1 = parsePart(w, rowLimit_, a);
    if (isKind(pos_ + 1, Lex::Colon)) {
        if (!isKind(pos_ + 2, Lex::Word)) return kSyntax;
        Corner b;
        Part p2 = parsePart(toks_[pos_ + 2].word, rowLimit_, b);
        if (p1 == Part::Invalid || p1 != p2) return kSyntax;
        if (p1 == Part::ColumnOnly) {
            a.row = 0;
            b.row = rowLimit_ - 1;
        } else if (p1 == Part::RowOnly) {
            a.col = 0;
            b.col = 255;
        }
        if (a.row > b.row) std::swap(a.row, b.row), std::swap(a.rowRel, b.rowRel);
        if (a.col > b.col) std::swap(a.col, b.col), std::swap(a.colRel, b.colRel);
        r = Reference{true, a, b};
        pos_ += 3;
        found = true;
        return kOk;
    }
    if (p1 != Part::Cell) return kOk;
    r = Reference{false, a, a};
    ++pos_;
    found = true;
    return kOk;
}

void Compiler::emitLocal(const Reference& r) {
    const Function* f = innermostFunction();
    if (r.area) {
        code_.push_back(static_cast<std::uint8_t>(kTokArea + (f ? f->areaClass : 0)));
        if (biff8()) {
            put16(code_, static_cast<unsigned>(r.a.row));
            put16(code_, static_cast<unsigned>(r.b.row));
            putCol8(r.a);
            putCol8(r.b);
        } else {
            putRow5(r.a);
            putRow5(r.b);
            code_.push_back(static_cast<std::uint8_t>(r.a.col));
            code_.push_back(static_cast<std::uint8_t>(r.b.col));
        }
        return;
    }
    std::uint8_t tok = (f && !signed_) ? static_cast<std::uint8_t>(kTokRef + f->cellClass) : kTokRefValue;
    code_.push_back(tok);
    if (biff8()) {
        put16(code_, static_cast<unsigned>(r.a.row));
        putCol8(r.a);
    } else {
        putRow5(r.a);
        code_.push_back(static_cast<std::uint8_t>(r.a.col));
    }
}

int Compiler::sheetReference(int firstSheet, int lastSheet, int listPosition) {
    if (!isKind(pos_, Lex::Word)) return kSyntax;
    Reference r;
    bool found = false;
    if (int rc = readReference(r, found); rc != kOk) return rc;
    if (!found) return kSyntax;
    if (int rc = emit3d(r, firstSheet, lastSheet, listPosition); rc != kOk) return rc;
    expectOperand_ = false;
    return kOk;
}

int Compiler::emit3d(const Reference& r, int firstSheet, int lastSheet, int listPosition) {
    std::uint8_t tok = r.area ? kTokArea3d : (innermostFunction() ? kTokRef3d : kTokRef3dValue);
    code_.push_back(tok);
    if (biff8()) {
        // The same sheet range reuses its external-sheet entry, so the table's 42
        // entries limit the distinct sheets referred to, not the number of references.
        const ExternSheet want{0, static_cast<std::uint16_t>(firstSheet), static_cast<std::uint16_t>(lastSheet)};
        std::span<const ExternSheet> existing = opt_.sheets->externSheets();
        std::size_t index = 0;
        bool have = false;
        for (std::size_t i = 0; i < existing.size() && !have; ++i)
            if (existing[i] == want) index = i, have = true;
        for (std::size_t i = 0; i < newExtern_.size() && !have; ++i)
            if (newExtern_[i] == want) index = existing.size() + i, have = true;
        if (!have) {
            index = existing.size() + newExtern_.size();
            if (index >= kMaxExternSheets) return kExternSheetsFull;
            newExtern_.push_back(want);
        }
        put16(code_, static_cast<unsigned>(index));
        put16(code_, static_cast<unsigned>(r.a.row));
        if (r.area) put16(code_, static_cast<unsigned>(r.b.row));
        putCol8(r.a);
        if (r.area) putCol8(r.b);
    } else {
        put16(code_, static_cast<unsigned>(-listPosition) & 0xFFFF);
        putZeros(code_, 8);
        put16(code_, static_cast<unsigned>(firstSheet));
        put16(code_, static_cast<unsigned>(lastSheet));
        putRow5(r.a);
        if (r.area) putRow5(r.b);
        code_.push_back(static_cast<std::uint8_t>(r.a.col));
        if (r.area) code_.push_back(static_cast<std::uint8_t>(r.b.col));
    }
    return kOk;
}

// Reads a number word: the whole word must be a decimal number.
bool parseNumber(std::string_view w, double& d) {
    if (w.empty() || !((w[0] >= '0' && w[0] <= '9') || w[0] == '.')) return false;
    for (char c : w)
        if (!((c >= '0' && c <= '9') || c == '.' || c == 'e' || c == 'E' || c == '+' || c == '-')) return false;
    auto [end, ec] = std::from_chars(w.data(), w.data() + w.size(), d, std::chars_format::general);
    return ec == std::errc() && end == w.data() + w.size() && std::isfinite(d);
}

bool allDigits(std::string_view w) {
    if (w.empty()) return false;
    for (char c : w)
        if (c < '0' || c > '9') return false;
    return true;
}

int Compiler::constant(std::string_view w) {
    if (allDigits(w)) {
        unsigned v = 0;
        for (char c : w)
            if (v <= 65535) v = v * 10 + static_cast<unsigned>(c - '0');
        if (v <= 65535) {
            code_.push_back(kTokInt);
            put16(code_, v);
            return kOk;
        }
    }
    double d = 0;
    if (parseNumber(w, d)) {
        code_.push_back(kTokNumber);
        putDouble(code_, d);
        return kOk;
    }
    if (equalsNoCase(w, "TRUE") || equalsNoCase(w, "FALSE")) {
        code_.push_back(kTokBool);
        code_.push_back(equalsNoCase(w, "TRUE") ? 1 : 0);
        return kOk;
    }
    return kSyntax;
}

// {a,b;c,d}: the token goes with the other tokens, the values after all of them.
int Compiler::arrayConstant() {
    ++pos_;
    std::vector<std::uint8_t> data;
    std::size_t cols = 0;  // of the first row
    std::size_t rows = 0;
    std::size_t col = 0;
    for (;;) {
        // One element, with an optional sign before a number.
        const LexToken* t = at(pos_);
        if (!t) return kUnbalanced;
        bool negative = false;
        if (t->kind == Lex::Operator && (t->code == kOpAdd || t->code == kOpSub)) {
            negative = t->code == kOpSub;
            t = at(++pos_);
            if (!t) return kUnbalanced;
            if (t->kind != Lex::Word) return kSyntax;
        }
        double d = 0;
        if (t->kind == Lex::Word && parseNumber(t->word, d)) {
            data.push_back(kElemNumber);
            putDouble(data, negative ? -d : d);
        } else if (t->kind == Lex::Word && !negative &&
                   (equalsNoCase(t->word, "TRUE") || equalsNoCase(t->word, "FALSE"))) {
            data.push_back(kElemBool);
            data.push_back(equalsNoCase(t->word, "TRUE") ? 1 : 0);
            putZeros(data, 7);
        } else if (t->kind == Lex::String) {
            data.push_back(kElemString);
            if (int rc = appendString(t->text, opt_.codePage, opt_.version, biff8(), data); rc != kOk) return rc;
        } else {
            return kSyntax;  // nested "{", empty element, or a value arrays cannot hold
        }
        ++col;
        t = at(++pos_);
        if (!t) return kUnbalanced;
        if (t->kind == Lex::Comma) {
            ++pos_;
            continue;
        }
        if (t->kind != Lex::Semicolon && t->kind != Lex::CloseBrace) return kSyntax;
        if (rows == 0) cols = col;
        else if (col != cols) return kSyntax;  // ragged rows
        ++rows;
        col = 0;
        ++pos_;
        if (t->kind == Lex::CloseBrace) break;
    }
    // BIFF8 stores the sizes less one; BIFF5 stores them as they are, 256 columns as 0.
    if (cols > 256 || rows > (biff8() ? 65536u : 65535u)) return kTooLong;
    code_.push_back(kTokArray);
    putZeros(code_, 7);
    const std::size_t less = biff8() ? 1 : 0;
    arrays_.push_back(static_cast<std::uint8_t>((cols - less) & 0xFF));
    put16(arrays_, static_cast<unsigned>(rows - less));
    arrays_.insert(arrays_.end(), data.begin(), data.end());
    expectOperand_ = false;
    return kOk;
}

}  // namespace

int compile(std::string_view text, const Options& options, Compiled& out) {
    out = Compiled{};
    if (text.size() > kMaxText) return kTextTooLong;
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    if (i < text.size() && text[i] == '=') ++i;
    try {
        std::vector<LexToken> toks;
        if (int rc = lex(text.substr(i), options.codePage, toks); rc != kOk) return rc;
        Compiler c(options, toks);
        int rc = c.run(out);
        if (rc != kOk) out = Compiled{};
        return rc;
    } catch (const std::bad_alloc&) {
        out = Compiled{};
        out.memoryFailure = true;
        return kNoMemory;
    }
}

bool sameSheetName(std::string_view a, std::string_view b, CodePage codePage) {
    if (a.size() != b.size()) return false;
    std::size_t i = 0;
    while (i < a.size()) {
        std::size_t n = charLength(a, i, codePage);
        if (n == 1) {
            if (upper(a[i]) != upper(b[i])) return false;
        } else if (a.substr(i, n) != b.substr(i, n)) {
            return false;
        }
        i += n;
    }
    return true;
}

bool ListedSheets::findSheet(std::string_view name, int& sheet, int& listPosition) const {
    int pos = 0;
    for (std::size_t i = 0; i < referenceList.size() && pos == 0; ++i)
        if (sameSheetName(referenceList[i], name, codePage_)) pos = static_cast<int>(i) + 1;
    if (pos == 0) return false;
    for (std::size_t i = 0; i < bookSheets.size(); ++i) {
        if (sameSheetName(bookSheets[i], name, codePage_)) {
            sheet = static_cast<int>(i);
            listPosition = pos;
            return true;
        }
    }
    return false;
}

}  // namespace celvane::formula
