// Line files and safe replacement of files.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace base {

// Reads a file line by line. A line ends at LF; a CR before the LF is dropped, so
// CR LF and LF files read alike. Lines are returned as raw bytes (no decoding): each
// reader applies its own code and its own line-length rule.
class LineReader {
public:
    LineReader() = default;
    explicit LineReader(const std::string& path) { open(path); }
    ~LineReader() { close(); }
    LineReader(const LineReader&) = delete;
    LineReader& operator=(const LineReader&) = delete;

    // Opens a file for reading; a folder is refused.
    bool open(const std::string& path);
    void close();
    bool isOpen() const { return f_ != nullptr; }
    // Lines longer than this are cut by next(line): no reader holds more of one line.
    static constexpr std::size_t kMaxLineBytes = 1 << 20;

    // Next line without its line break (cut to kMaxLineBytes, the rest dropped);
    // false at the end of the file.
    bool next(std::string& line);
    // Like next(), but keeps at most `maxBytes` bytes of a longer line. With
    // `splitLong` the rest of the line comes back as the following line(s) of at most
    // `maxBytes` bytes each, the way a fixed-size fgets buffer reads; without it the
    // rest is skipped. Memory stays within `maxBytes` however long the line is.
    bool next(std::string& line, std::size_t maxBytes, bool splitLong);
    // True when the last line returned by next() was cut.
    bool lastWasCut() const { return cut_; }

private:
    std::FILE* f_ = nullptr;
    std::string pending_;
    bool cut_ = false;
};

// Reads a file line by line like LineReader (a line ends at LF, a CR before it is
// dropped), but hands out views into one large buffer that is filled by whole blocks,
// so a line costs no copy and no call into stdio. A view stays valid until the next
// call of next(). For readers that go through large files once.
class BlockLineReader {
public:
    explicit BlockLineReader(std::size_t blockBytes = 1 << 18) : block_(blockBytes ? blockBytes : 1) {}
    ~BlockLineReader() { close(); }
    BlockLineReader(const BlockLineReader&) = delete;
    BlockLineReader& operator=(const BlockLineReader&) = delete;

    bool open(const std::string& path);
    void close();
    // Next line without its line break and cut to at most `maxBytes` bytes (the rest
    // of a longer line is skipped without being held); false at the end of the file.
    bool next(std::string_view& line, std::size_t maxBytes);
    // Bytes the reader holds for its buffers.
    std::size_t heldBytes() const { return buf_.capacity() + long_.capacity(); }

private:
    bool fill();
    bool skipLong(std::string_view& line, std::size_t maxBytes);
    int fd_ = -1;
    std::size_t block_;
    std::vector<char> buf_;
    std::size_t begin_ = 0, end_ = 0;
    bool eof_ = false;
    std::string long_;  // the kept part of a line that was cut
};

// Reads a whole file into `out`. False when it cannot be opened or read.
bool readFile(const std::string& path, std::string& out);

// Writes a file through a temporary file in the same folder that is renamed over the
// target on commit(), so a failed write never destroys the previous copy. Dropping the
// object without commit() removes the temporary file and leaves the target untouched.
class AtomicFile {
public:
    AtomicFile() = default;
    explicit AtomicFile(const std::string& path) { open(path); }
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    bool open(const std::string& path);
    bool isOpen() const { return f_ != nullptr; }
    bool write(std::string_view bytes);
    // Writes the bytes followed by CR LF, the line end of the system's text files.
    bool writeLine(std::string_view bytes);
    // Flushes, syncs and renames over the target. False (and target untouched) on any
    // write error met so far.
    bool commit();
    void abandon();
    const std::string& path() const { return path_; }

private:
    std::FILE* f_ = nullptr;
    std::string path_;
    std::string tmp_;
    bool failed_ = false;
};

// Replace a file's contents safely in one step.
bool writeFileAtomic(const std::string& path, std::string_view bytes);

bool fileExists(const std::string& path);
bool isDirectory(const std::string& path);
// Creates a folder and its missing parents; true when it exists afterwards.
bool makeDirectories(const std::string& path);
// Size in bytes, or -1 when the file is missing.
long long fileSize(const std::string& path);
// Modification time in nanoseconds since the epoch, or -1 when the file is missing.
long long fileTimeNs(const std::string& path);
bool removeFile(const std::string& path);
// rename(2); replaces an existing target.
bool renameFile(const std::string& from, const std::string& to);
bool copyFile(const std::string& from, const std::string& to);

}  // namespace base
