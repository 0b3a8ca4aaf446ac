#include "wirefold/io.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace wirefold {
namespace {
constexpr std::size_t kReadBytes = 1 << 16;
}

bool LineInput::fill() {
    if (eof_) return false;
    if (buf_.size() < kReadBytes) buf_.resize(kReadBytes);
    // read(2) rather than fread, so that a pipe fed line by line is answered at once.
    ssize_t n;
    do {
        n = ::read(fileno(f_), buf_.data(), buf_.size());
    } while (n < 0 && errno == EINTR);
    if (n <= 0) {
        failed_ = n < 0;
        eof_ = true;
        return false;
    }
    pos_ = 0;
    end_ = static_cast<std::size_t>(n);
    return true;
}

bool LineInput::next(std::string_view& line) {
    std::string_view view;
    bool ended = false;  // a line break was met (not the end of the input)
    line_.clear();
    bool any = false;
    for (;;) {
        if (pos_ == end_ && !fill()) break;
        any = true;
        const char* from = buf_.data() + pos_;
        const void* nl = std::memchr(from, '\n', end_ - pos_);
        std::size_t stop = nl ? static_cast<std::size_t>(static_cast<const char*>(nl) - buf_.data()) : end_;
        std::string_view piece(from, stop - pos_);
        pos_ = nl ? stop + 1 : stop;
        if (nl && line_.empty()) {
            // The whole line lies in the buffer: no copy.
            view = piece;
            ended = true;
            any = false;
            break;
        }
        // Keep one byte more than the limit, so a CR before the line break can be told.
        if (line_.size() <= max_) line_.append(piece.substr(0, max_ + 1 - line_.size()));
        if (nl) {
            ended = true;
            break;
        }
    }
    if (any) view = line_;
    else if (!ended) return false;
    if (ended && !view.empty() && view.back() == '\r') view.remove_suffix(1);
    if (const void* nul = std::memchr(view.data(), '\0', view.size()))
        view = view.substr(0, static_cast<std::size_t>(static_cast<const char*>(nul) - view.data()));
    if (view.size() > max_) view = view.substr(0, max_);
    line = view;
    return true;
}

OutputFile::~OutputFile() {
    if (f_) std::fclose(f_);
    if (!tmp_.empty()) ::unlink(tmp_.c_str());
}

bool OutputFile::open(const std::string& requested) {
    path_ = requested;
    struct stat st;
    bool exists = ::stat(requested.c_str(), &st) == 0;
    if (exists && !S_ISREG(st.st_mode)) {
        // A device, a pipe or a folder: written in place (a folder fails to open).
        f_ = std::fopen(requested.c_str(), "wb");
        return f_ != nullptr;
    }
    if (exists) {
        // Replace the file a symbolic link points at, not the link.
        if (char* real = ::realpath(requested.c_str(), nullptr)) {
            path_ = real;
            std::free(real);
        }
    }
    tmp_ = path_ + ".tmpXXXXXX";
    int fd = ::mkstemp(tmp_.data());
    if (fd < 0) {
        // No temporary file beside it because the folder may not be written: write
        // the file itself, as long as that is allowed. Any other failure (a full or
        // failing disk) would meet the file itself too, after truncating it.
        tmp_.clear();
        if (errno != EACCES && errno != EPERM) return false;
        f_ = std::fopen(path_.c_str(), "wb");
        return f_ != nullptr;
    }
    mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd, exists ? (st.st_mode & 07777) : (0666 & ~mask));
    f_ = ::fdopen(fd, "wb");
    if (!f_) {
        ::close(fd);
        ::unlink(tmp_.c_str());
        tmp_.clear();
        return false;
    }
    return true;
}

void OutputFile::write(std::string_view bytes) {
    if (!f_ || bytes.empty()) return;
    if (std::fwrite(bytes.data(), 1, bytes.size(), f_) != bytes.size()) failed_ = true;
}

bool OutputFile::commit() {
    if (!f_) return false;
    bool ok = !failed_ && std::fflush(f_) == 0 && !std::ferror(f_);
    // The new copy must be on the disk before it replaces the old one.
    if (ok && !tmp_.empty()) ok = ::fsync(::fileno(f_)) == 0;
    ok = std::fclose(f_) == 0 && ok;
    f_ = nullptr;
    if (!tmp_.empty()) {
        if (ok) ok = std::rename(tmp_.c_str(), path_.c_str()) == 0;
        if (!ok) ::unlink(tmp_.c_str());
        tmp_.clear();
    }
    return ok;
}

}  // namespace wirefold
