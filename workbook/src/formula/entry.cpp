// The library's formula entry points: XM_WriteFunc3 compiles a formula into a FORMULA
// record (with an optional cached result) and stores it as a cell; XM_SetRefSheet sets
// the list of other sheets a sheet's formulas may refer to. Every other formula writer
// of the library goes through XM_WriteFunc3.
#include <new>

#include "base/text.h"

#include "formula/formula.h"
#include "formula/record.h"
#include "internal.h"

namespace celvane {
namespace {

using formula::CodePage;

// The items of a "/"-separated list (a CP932 trail byte is never "/").
std::vector<std::string_view> splitList(std::string_view list) {
    std::vector<std::string_view> items;
    for (;;) {
        std::size_t slash = list.find('/');
        items.push_back(list.substr(0, slash));
        if (slash == std::string_view::npos) return items;
        list.remove_prefix(slash + 1);
    }
}

CodePage callerFormulaCodePage() { return callerCodePage() == 65001 ? CodePage::Utf8 : CodePage::Cp932; }

// The book's sheets as the compiler sees them: names are compared in CP932, the
// sheet's reference list is its "/"-separated text.
class BookSheets : public formula::SheetDirectory {
public:
    BookSheets(const Book& b, const Sheet& s) : book_(b), sheet_(s) {
        for (const auto& e : b.externSheets) externs_.push_back({e[0], e[1], e[2]});
    }

    bool findSheet(std::string_view name, int& sheet, int& listPosition) const override {
        std::string wanted;
        if (!callerToCp932(name, wanted)) return false;
        const std::vector<std::string_view> list = splitList(sheet_.refSheets);
        int position = 0;
        for (std::size_t i = 0; i < list.size() && position == 0; ++i)
            if (formula::sameSheetName(list[i], wanted, CodePage::Cp932)) position = static_cast<int>(i) + 1;
        if (position == 0) return false;
        for (int i = 0; i < book_.sheetCount(); ++i) {
            if (formula::sameSheetName(book_.sheets[i]->name, wanted, CodePage::Cp932)) {
                sheet = i;
                listPosition = position;
                return true;
            }
        }
        return false;
    }

    std::span<const formula::ExternSheet> externSheets() const override { return externs_; }

private:
    const Book& book_;
    const Sheet& sheet_;
    std::vector<formula::ExternSheet> externs_;
};

// Number of characters of a CP932 text (a double-byte character counts one).
std::size_t cp932Characters(std::string_view s) {
    std::size_t n = 0;
    for (std::size_t i = 0; i < s.size(); ++n)
        i += (base::isCp932Lead(static_cast<unsigned char>(s[i])) && i + 1 < s.size()) ? 2 : 1;
    return n;
}

}  // namespace
}  // namespace celvane

using namespace celvane;

extern "C" {

int XM_WriteFunc3(int book, int sheet, int col, int row, const char* text, int attr, const FormulaResult* result) {
    Book* b = nullptr;
    Sheet* s = nullptr;
    if (int rc = checkPlace(book, sheet, col, row, &b, &s); rc != kOk) return rc;
    if (!text) return kErrParam;
    try {
        BookSheets sheets(*b, *s);
        formula::Options options;
        options.version = b->biff8 ? formula::BiffVersion::Biff8 : formula::BiffVersion::Biff5;
        options.codePage = callerFormulaCodePage();
        options.sheets = s->refSheets.empty() ? nullptr : &sheets;
        options.space = kFormulaBufferSize - formula::kFormulaHeaderSize;
        formula::Compiled compiled;
        if (formula::compile(text, options, compiled) != formula::kOk)
            return compiled.memoryFailure ? formula::kNoMemory : kErrFormula;

        formula::Result r;
        if (result) {
            r.kind = result->kind;
            r.number = result->value.number;
            r.whole = result->value.whole;
            if (result->kind == static_cast<int>(formula::ResultKind::Text)) {
                if (result->length < 0) return kErrParam;
                if (static_cast<std::size_t>(result->length) > formula::kMaxResultText) return kErrLength;
                r.text = std::string_view(result->text, static_cast<std::size_t>(result->length));
            }
        }
        std::string data, stringData;
        if (int rc = formula::buildFormulaRecord(compiled, result ? &r : nullptr, options.version, options.codePage,
                                                 data, stringData);
            rc != 0)
            return rc;
        if (int rc = storeFormulaCell(book, sheet, col, row, attr, data, stringData); rc != kOk) return rc;
        // Only a stored cell adds the external-sheet entries its tokens use.
        for (const formula::ExternSheet& e : compiled.newExternSheets)
            b->externSheets.push_back({e.book, e.firstSheet, e.lastSheet});
        return kOk;
    } catch (const std::bad_alloc&) {
        return kErrMemory;
    }
}

int XM_SetRefSheet(int book, int sheet, const char* names) {
    Book* b = nullptr;
    Sheet* s = nullptr;
    if (int rc = lookupSheet(book, sheet, &b, &s); rc != kOk) return rc;
    if (!names || !*names) return kErrParam;
    std::string list;
    if (!callerToCp932(names, list)) return kErrParam;
    std::vector<std::string> items;
    for (std::string_view item : splitList(list)) {
        std::size_t chars = cp932Characters(item);
        if (chars < 1 || chars > 32) return kErrParam;
        if (static_cast<int>(items.size()) < b->sheetCount()) items.emplace_back(item);
    }
    try {
        std::string kept;
        for (const std::string& item : items) kept += (kept.empty() ? "" : "/") + item;
        if (b->biff8) {
            // One SUPBOOK (this book) ahead of the EXTERNSHEET that closing adds.
            bool haveSupbook = false;
            for (const Record& rec : b->globals[Book::References].items) haveSupbook |= rec.no == 0x01AE;
            if (!haveSupbook) {
                std::string d;
                put16(d, static_cast<unsigned>(b->sheetCount()));
                put16(d, 0x0401);
                b->globals[Book::References].add(0x01AE, std::move(d));
            }
        } else {
            // The list replaces an earlier one: EXTERNCOUNT, then one EXTERNSHEET per
            // name (length, 0x03 for a sheet of this book, the name).
            RecordList refs;
            refs.add16(0x0016, static_cast<unsigned>(items.size()));
            for (const std::string& item : items) {
                std::string d;
                put8(d, static_cast<unsigned>(item.size()));
                put8(d, 0x03);
                d += item;
                refs.add(0x0017, std::move(d));
            }
            s->extRefs = std::move(refs);
        }
        s->refSheets = std::move(kept);
    } catch (const std::bad_alloc&) {
        return kErrMemory;
    }
    return kOk;
}

}  // extern "C"
