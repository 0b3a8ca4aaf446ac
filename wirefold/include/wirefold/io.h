// Line input with a bounded line length, and an output file that replaces its
// target only when complete.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace wirefold {

// Reads lines from a stream. The line break (LF, or CR LF) is removed; a line is
// cut at its first NUL byte and after `maxBytes` bytes, and what was cut is
// skipped up to the line break, so a long line never turns into several lines.
class LineInput {
public:
    LineInput(std::FILE* f, std::size_t maxBytes) : f_(f), max_(maxBytes) {}
    // False at the end of the input (a read error ends the input as well).
    bool next(std::string_view& line);
    bool failed() const { return failed_; }
    // True while a part of the input is buffered (the next call will not block).
    bool pending() const { return pos_ < end_; }

private:
    bool fill();

    std::FILE* f_;
    std::size_t max_;
    std::string buf_;
    std::size_t pos_ = 0;
    std::size_t end_ = 0;
    std::string line_;
    bool eof_ = false;
    bool failed_ = false;
};

// Output file. A regular file (or a new one) is written to a temporary file beside
// it that is renamed over the target on commit(), so a failed run leaves the old
// file as it was and the input may even be the output. Anything else (a terminal,
// a pipe, /dev/null) is written in place.
class OutputFile {
public:
    OutputFile() = default;
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    bool open(const std::string& path);
    void write(std::string_view bytes);
    // Flushes and puts the file in place; false on any write error.
    bool commit();

private:
    std::FILE* f_ = nullptr;
    std::string path_;
    std::string tmp_;
    bool failed_ = false;
};

}  // namespace wirefold
