#include "base/files.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace base {

namespace {

// Opens a file for reading; a folder is refused (open(2) would accept it and the
// first read would fail as if the file were empty).
int openRegular(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return -1;
    struct stat st;
    if (fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
        ::close(fd);
        errno = EISDIR;
        return -1;
    }
    return fd;
}

}  // namespace

bool LineReader::open(const std::string& path) {
    close();
    int fd = openRegular(path);
    if (fd < 0) return false;
    f_ = fdopen(fd, "rb");
    if (!f_) ::close(fd);
    return f_ != nullptr;
}

void LineReader::close() {
    if (f_) std::fclose(f_);
    f_ = nullptr;
    pending_.clear();
    cut_ = false;
}

bool LineReader::next(std::string& line) { return next(line, kMaxLineBytes, false); }

// Reads byte by byte so that no more than `maxBytes` bytes of a line are ever held,
// however long the line is on disk. A CR counts as the line end only directly before
// the LF; a CR met at the cut stays with the rest of the line.
bool LineReader::next(std::string& line, std::size_t maxBytes, bool splitLong) {
    line.clear();
    cut_ = false;
    if (!f_) return false;
    bool any = false;
    if (!pending_.empty()) {
        line.swap(pending_);
        pending_.clear();
        any = true;
    }
    int c;
    while ((c = getc_unlocked(f_)) != EOF) {
        any = true;
        if (c == '\n') {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            return true;
        }
        if (line.size() < maxBytes) {
            line.push_back(static_cast<char>(c));
            continue;
        }
        // One byte more than the limit: the line is longer, unless it is the CR of
        // its CR LF end.
        if (c == '\r') {
            int d = getc_unlocked(f_);
            if (d == '\n' || d == EOF) return true;
            ungetc(d, f_);
        }
        cut_ = true;
        if (splitLong) {
            pending_.assign(1, static_cast<char>(c));
            return true;
        }
        while ((c = getc_unlocked(f_)) != EOF && c != '\n') {
        }
        return true;
    }
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return any;
}

bool BlockLineReader::open(const std::string& path) {
    close();
    fd_ = openRegular(path);
    return fd_ >= 0;
}

void BlockLineReader::close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    std::vector<char>().swap(buf_);
    begin_ = end_ = 0;
    eof_ = false;
}

// Moves the unread rest to the front and reads one more block behind it, growing the
// buffer when the rest fills it (a line longer than a block). False at the end of the
// file or on a read error, which ends the reading like the end of the file.
bool BlockLineReader::fill() {
    if (eof_ || fd_ < 0) return false;
    if (begin_ > 0) {
        std::memmove(buf_.data(), buf_.data() + begin_, end_ - begin_);
        end_ -= begin_;
        begin_ = 0;
    }
    if (buf_.size() - end_ < block_) buf_.resize(end_ + block_);
    ssize_t n;
    do {
        n = ::read(fd_, buf_.data() + end_, buf_.size() - end_);
    } while (n < 0 && errno == EINTR);
    if (n <= 0) {
        eof_ = true;
        return false;
    }
    end_ += static_cast<std::size_t>(n);
    return true;
}

bool BlockLineReader::next(std::string_view& line, std::size_t maxBytes) {
    std::size_t scanned = begin_;
    std::size_t len;
    for (;;) {
        if (const void* nl = end_ > scanned ? std::memchr(buf_.data() + scanned, '\n', end_ - scanned) : nullptr) {
            len = static_cast<std::size_t>(static_cast<const char*>(nl) - (buf_.data() + begin_));
            break;
        }
        std::size_t seen = end_ - begin_;
        // More than the limit (and a CR) without a line end: keep the limit, skip the rest.
        if (seen > maxBytes && seen - maxBytes > 1) return skipLong(line, maxBytes);
        if (!fill()) {
            if (begin_ == end_) return false;
            len = end_ - begin_;
            break;
        }
        scanned = begin_ + seen;
    }
    const char* p = buf_.data() + begin_;
    begin_ = std::min(begin_ + len + 1, end_);
    if (len > 0 && p[len - 1] == '\r') --len;
    line = std::string_view(p, std::min(len, maxBytes));
    return true;
}

bool BlockLineReader::skipLong(std::string_view& line, std::size_t maxBytes) {
    long_.assign(buf_.data() + begin_, maxBytes);
    begin_ = end_;
    while (fill()) {
        if (const void* nl = std::memchr(buf_.data() + begin_, '\n', end_ - begin_)) {
            begin_ = static_cast<std::size_t>(static_cast<const char*>(nl) - buf_.data()) + 1;
            break;
        }
        begin_ = end_;
    }
    line = long_;
    return true;
}

bool readFile(const std::string& path, std::string& out) {
    out.clear();
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    char buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out.append(buf, n);
    bool ok = !std::ferror(f);
    std::fclose(f);
    return ok;
}

AtomicFile::~AtomicFile() { abandon(); }

bool AtomicFile::open(const std::string& path) {
    abandon();
    path_ = path;
    tmp_ = path + ".tmpXXXXXX";
    int fd = mkstemp(tmp_.data());
    if (fd < 0) {
        tmp_.clear();
        return false;
    }
    // Keep the permissions an ordinary new file would get.
    mode_t mask = umask(0);
    umask(mask);
    struct stat st;
    if (stat(path.c_str(), &st) == 0)
        fchmod(fd, st.st_mode & 07777);
    else
        fchmod(fd, 0666 & ~mask);
    f_ = fdopen(fd, "wb");
    if (!f_) {
        ::close(fd);
        unlink(tmp_.c_str());
        tmp_.clear();
        return false;
    }
    failed_ = false;
    return true;
}

bool AtomicFile::write(std::string_view bytes) {
    if (!f_) return false;
    if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), f_) != bytes.size()) failed_ = true;
    return !failed_;
}

bool AtomicFile::writeLine(std::string_view bytes) {
    write(bytes);
    return write("\r\n");
}

bool AtomicFile::commit() {
    if (!f_) return false;
    bool ok = !failed_ && std::fflush(f_) == 0 && fsync(fileno(f_)) == 0;
    ok = (std::fclose(f_) == 0) && ok;
    f_ = nullptr;
    if (ok) ok = std::rename(tmp_.c_str(), path_.c_str()) == 0;
    if (!ok) unlink(tmp_.c_str());
    tmp_.clear();
    return ok;
}

void AtomicFile::abandon() {
    if (f_) {
        std::fclose(f_);
        f_ = nullptr;
    }
    if (!tmp_.empty()) {
        unlink(tmp_.c_str());
        tmp_.clear();
    }
}

bool writeFileAtomic(const std::string& path, std::string_view bytes) {
    AtomicFile f(path);
    if (!f.isOpen()) return false;
    f.write(bytes);
    return f.commit();
}

bool fileExists(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool isDirectory(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool makeDirectories(const std::string& path) {
    if (path.empty()) return false;
    if (isDirectory(path)) return true;
    std::string part;
    for (size_t i = 0; i <= path.size(); ++i) {
        if (i == path.size() || (path[i] == '/' && i > 0)) {
            part = path.substr(0, i);
            if (!isDirectory(part) && mkdir(part.c_str(), 0777) != 0 && errno != EEXIST) return false;
        }
    }
    return isDirectory(path);
}

long long fileSize(const std::string& path) {
    struct stat st;
    if (stat(path.c_str(), &st) != 0) return -1;
    return static_cast<long long>(st.st_size);
}

long long fileTimeNs(const std::string& path) {
    struct stat st;
    if (stat(path.c_str(), &st) != 0) return -1;
    return static_cast<long long>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec;
}

bool removeFile(const std::string& path) { return unlink(path.c_str()) == 0; }

bool renameFile(const std::string& from, const std::string& to) {
    return std::rename(from.c_str(), to.c_str()) == 0;
}

bool copyFile(const std::string& from, const std::string& to) {
    std::string bytes;
    if (!readFile(from, bytes)) return false;
    return writeFileAtomic(to, bytes);
}

}  // namespace base
