// Test support: reads the workbook stream of a compound file back into records, runs
// the independent readers, and makes temporary folders.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace wbtest {

struct Rec {
    uint16_t no = 0;
    std::string data;
    std::size_t pos = 0;  // stream position of the record header

    unsigned u8(std::size_t at) const { return static_cast<unsigned char>(data.at(at)); }
    unsigned u16(std::size_t at) const { return u8(at) | u8(at + 1) << 8; }
    uint32_t u32(std::size_t at) const { return u16(at) | static_cast<uint32_t>(u16(at + 2)) << 16; }
    double f64(std::size_t at) const;
};

struct Stream {
    std::string name;      // "Book" or "Workbook"
    std::string classId;   // 16 bytes of the root storage
    std::string bytes;
    std::vector<Rec> recs;
    bool ok = false;

    // Records with a number, in stream order.
    std::vector<const Rec*> all(uint16_t no) const;
    const Rec* at(std::size_t pos) const;  // the record starting at a stream position
};

Stream readStream(const std::string& path);

// Runs a shell command; returns its exit status and collects stdout + stderr.
int run(const std::string& command, std::string* output = nullptr);

// Checks a book with xlrd and Spreadsheet::ParseExcel against JSON expectations (see
// check_book.py). Returns an empty text when both agree, else the differences.
std::string checkBook(const std::string& path, const std::string& expectJson);

// The first sheet of a book as CSV text after Gnumeric has recalculated its formulas;
// "ssconvert failed: ..." when it could not.
std::string recalculatedCsv(const std::string& path);

class TempDir {
public:
    TempDir();
    ~TempDir();
    std::string file(const std::string& name) const { return path_ + "/" + name; }
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

// Text in CP932 from a UTF-8 literal (the library's default text code page).
std::string sj(const char* utf8);

}  // namespace wbtest
