// Write-failure injection, loaded with LD_PRELOAD.
//
// Counts the calls that write a file below FAULT_DIR (opening for writing, creating a
// temporary file, write, fwrite and friends, fflush, fsync, close, fclose, rename) and
// makes the FAULT_AT-th of them fail with FAULT_ERRNO (ENOSPC, the default, or EIO).
// A failing close or fclose still releases the descriptor, as the kernel does. Each
// injected failure is appended to FAULT_REPORT as "injected CALL N", and with
// FAULT_AT=0 the total number of counted calls is written there at exit, so a driver
// knows when it has gone past the last call of a run.
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/uio.h>
#include <unistd.h>

#define MAX_FDS 4096

static char g_dir[PATH_MAX];
static size_t g_dirLen;
static long g_at = -1;
static long g_count;
static int g_errno = ENOSPC;
static int g_ready;
static unsigned char g_tracked[MAX_FDS];

static void *real(const char *name) { return dlsym(RTLD_NEXT, name); }

static void report(const char *what) {
    const char *path = getenv("FAULT_REPORT");
    if (!path || !*path) return;
    static int (*openFn)(const char *, int, ...);
    static ssize_t (*writeFn)(int, const void *, size_t);
    static int (*closeFn)(int);
    if (!openFn) {
        openFn = real("open");
        writeFn = real("write");
        closeFn = real("close");
    }
    int fd = openFn(path, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0) return;
    char line[256];
    int n = snprintf(line, sizeof line, "%s %ld\n", what, g_count);
    if (n > 0) (void)!writeFn(fd, line, (size_t)n);
    closeFn(fd);
}

static void setup(void) {
    if (g_ready) return;
    g_ready = 1;
    const char *dir = getenv("FAULT_DIR");
    if (dir && *dir && realpath(dir, g_dir)) g_dirLen = strlen(g_dir);
    const char *at = getenv("FAULT_AT");
    if (at) g_at = strtol(at, NULL, 10);
    const char *e = getenv("FAULT_ERRNO");
    if (e && strcmp(e, "EIO") == 0) g_errno = EIO;
}

__attribute__((destructor)) static void atEnd(void) {
    if (g_at == 0) report("calls");
}

// True when `path` names something below the watched folder. The folder part is
// resolved, so relative names and names through symbolic links count too.
static int watched(const char *path) {
    setup();
    if (!g_dirLen || !path) return 0;
    char buf[PATH_MAX];
    const char *p = path;
    if (path[0] != '/') {
        if (!getcwd(buf, sizeof buf - strlen(path) - 2)) return 0;
        strcat(buf, "/");
        strcat(buf, path);
        p = buf;
    }
    char dir[PATH_MAX];
    snprintf(dir, sizeof dir, "%s", p);
    char *slash = strrchr(dir, '/');
    if (slash) *(slash == dir ? slash + 1 : slash) = '\0';
    char resolved[PATH_MAX];
    if (!realpath(dir, resolved)) return 0;
    return strncmp(resolved, g_dir, g_dirLen) == 0 && (resolved[g_dirLen] == '/' || resolved[g_dirLen] == '\0');
}

static int trackedFd(int fd) { return fd >= 0 && fd < MAX_FDS && g_tracked[fd]; }
static void track(int fd, int on) {
    if (fd >= 0 && fd < MAX_FDS) g_tracked[fd] = (unsigned char)on;
}

// Counts one call; true when this one is to fail.
static int failNow(const char *what) {
    setup();
    ++g_count;
    if (g_at > 0 && g_count == g_at) {
        char buf[64];
        snprintf(buf, sizeof buf, "injected %s", what);
        report(buf);
        return 1;
    }
    return 0;
}

static int writesTo(int flags) { return (flags & O_ACCMODE) != O_RDONLY || (flags & O_CREAT); }

// The mode argument is there only with O_CREAT or O_TMPFILE (which shares a bit with
// O_DIRECTORY, so it must match whole).
static int needsMode(int flags) { return (flags & O_CREAT) || (flags & O_TMPFILE) == O_TMPFILE; }

static int openCommon(const char *fn, int dirfd, const char *path, int flags, mode_t mode) {
    int w = writesTo(flags) && (dirfd == AT_FDCWD || path[0] == '/') && watched(path);
    if (w && failNow(fn)) {
        errno = g_errno;
        return -1;
    }
    int fd;
    if (strcmp(fn, "openat") == 0 || strcmp(fn, "openat64") == 0) {
        int (*f)(int, const char *, int, ...) = real(fn);
        fd = f(dirfd, path, flags, mode);
    } else {
        int (*f)(const char *, int, ...) = real(fn);
        fd = f(path, flags, mode);
    }
    if (w && fd >= 0) track(fd, 1);
    return fd;
}

int open(const char *path, int flags, ...) {
    va_list ap;
    va_start(ap, flags);
    mode_t mode = needsMode(flags) ? va_arg(ap, mode_t) : 0;
    va_end(ap);
    return openCommon("open", AT_FDCWD, path, flags, mode);
}
int open64(const char *path, int flags, ...) {
    va_list ap;
    va_start(ap, flags);
    mode_t mode = needsMode(flags) ? va_arg(ap, mode_t) : 0;
    va_end(ap);
    return openCommon("open64", AT_FDCWD, path, flags, mode);
}
int openat(int dirfd, const char *path, int flags, ...) {
    va_list ap;
    va_start(ap, flags);
    mode_t mode = needsMode(flags) ? va_arg(ap, mode_t) : 0;
    va_end(ap);
    return openCommon("openat", dirfd, path, flags, mode);
}
int openat64(int dirfd, const char *path, int flags, ...) {
    va_list ap;
    va_start(ap, flags);
    mode_t mode = needsMode(flags) ? va_arg(ap, mode_t) : 0;
    va_end(ap);
    return openCommon("openat64", dirfd, path, flags, mode);
}
int creat(const char *path, mode_t mode) { return openCommon("open", AT_FDCWD, path, O_CREAT | O_WRONLY | O_TRUNC, mode); }

static int tempCommon(const char *fn, char *tmpl, int flags, int withFlags) {
    int w = watched(tmpl);
    if (w && failNow(fn)) {
        errno = g_errno;
        return -1;
    }
    int fd;
    if (withFlags) {
        int (*f)(char *, int) = real(fn);
        fd = f(tmpl, flags);
    } else {
        int (*f)(char *) = real(fn);
        fd = f(tmpl);
    }
    if (w && fd >= 0) track(fd, 1);
    return fd;
}
int mkstemp(char *tmpl) { return tempCommon("mkstemp", tmpl, 0, 0); }
int mkstemp64(char *tmpl) { return tempCommon("mkstemp64", tmpl, 0, 0); }
int mkostemp(char *tmpl, int flags) { return tempCommon("mkostemp", tmpl, flags, 1); }
int mkostemp64(char *tmpl, int flags) { return tempCommon("mkostemp64", tmpl, flags, 1); }

static FILE *fopenCommon(const char *fn, const char *path, const char *mode) {
    int w = strpbrk(mode, "wa+") != NULL && watched(path);
    if (w && failNow(fn)) {
        errno = g_errno;
        return NULL;
    }
    FILE *(*f)(const char *, const char *) = real(fn);
    FILE *fp = f(path, mode);
    if (w && fp) track(fileno(fp), 1);
    return fp;
}
FILE *fopen(const char *path, const char *mode) { return fopenCommon("fopen", path, mode); }
FILE *fopen64(const char *path, const char *mode) { return fopenCommon("fopen64", path, mode); }

ssize_t write(int fd, const void *buf, size_t n) {
    if (trackedFd(fd) && failNow("write")) {
        errno = g_errno;
        return -1;
    }
    ssize_t (*f)(int, const void *, size_t) = real("write");
    return f(fd, buf, n);
}
ssize_t pwrite(int fd, const void *buf, size_t n, off_t at) {
    if (trackedFd(fd) && failNow("pwrite")) {
        errno = g_errno;
        return -1;
    }
    ssize_t (*f)(int, const void *, size_t, off_t) = real("pwrite");
    return f(fd, buf, n, at);
}
ssize_t pwrite64(int fd, const void *buf, size_t n, off_t at) {
    if (trackedFd(fd) && failNow("pwrite64")) {
        errno = g_errno;
        return -1;
    }
    ssize_t (*f)(int, const void *, size_t, off_t) = real("pwrite64");
    return f(fd, buf, n, at);
}
ssize_t writev(int fd, const struct iovec *iov, int n) {
    if (trackedFd(fd) && failNow("writev")) {
        errno = g_errno;
        return -1;
    }
    ssize_t (*f)(int, const struct iovec *, int) = real("writev");
    return f(fd, iov, n);
}

int fsync(int fd) {
    if (trackedFd(fd) && failNow("fsync")) {
        errno = g_errno;
        return -1;
    }
    int (*f)(int) = real("fsync");
    return f(fd);
}
int fdatasync(int fd) {
    if (trackedFd(fd) && failNow("fdatasync")) {
        errno = g_errno;
        return -1;
    }
    int (*f)(int) = real("fdatasync");
    return f(fd);
}

int close(int fd) {
    int t = trackedFd(fd);
    int fail = t && failNow("close");
    if (t) track(fd, 0);
    int (*f)(int) = real("close");
    int rc = f(fd);
    if (fail) {
        errno = g_errno;
        return -1;
    }
    return rc;
}

// A failed stdio write marks the stream as in error, as a failed write(2) inside
// stdio would.
static void markError(FILE *fp) { fp->_flags |= _IO_ERR_SEEN; }

static int trackedFile(FILE *fp) { return fp && trackedFd(fileno(fp)); }

size_t fwrite(const void *buf, size_t size, size_t n, FILE *fp) {
    if (trackedFile(fp) && size && n && failNow("fwrite")) {
        markError(fp);
        errno = g_errno;
        return 0;
    }
    size_t (*f)(const void *, size_t, size_t, FILE *) = real("fwrite");
    return f(buf, size, n, fp);
}
int fputs(const char *s, FILE *fp) {
    if (trackedFile(fp) && failNow("fputs")) {
        markError(fp);
        errno = g_errno;
        return EOF;
    }
    int (*f)(const char *, FILE *) = real("fputs");
    return f(s, fp);
}
int fputc(int c, FILE *fp) {
    if (trackedFile(fp) && failNow("fputc")) {
        markError(fp);
        errno = g_errno;
        return EOF;
    }
    int (*f)(int, FILE *) = real("fputc");
    return f(c, fp);
}
int vfprintf(FILE *fp, const char *fmt, va_list ap) {
    if (trackedFile(fp) && failNow("fprintf")) {
        markError(fp);
        errno = g_errno;
        return -1;
    }
    int (*f)(FILE *, const char *, va_list) = real("vfprintf");
    return f(fp, fmt, ap);
}
int fprintf(FILE *fp, const char *fmt, ...) {
    va_list ap;
    va_start(ap, fmt);
    int rc = vfprintf(fp, fmt, ap);
    va_end(ap);
    return rc;
}
int fflush(FILE *fp) {
    if (trackedFile(fp) && failNow("fflush")) {
        markError(fp);
        errno = g_errno;
        return EOF;
    }
    int (*f)(FILE *) = real("fflush");
    return f(fp);
}
int fclose(FILE *fp) {
    int t = trackedFile(fp);
    int fail = t && failNow("fclose");
    if (t) track(fileno(fp), 0);
    int (*f)(FILE *) = real("fclose");
    int rc = f(fp);
    if (fail) {
        errno = g_errno;
        return EOF;
    }
    return rc;
}

static int renameCommon(const char *fn, const char *from, const char *to) {
    return (watched(from) || watched(to)) && failNow(fn);
}
int rename(const char *from, const char *to) {
    if (renameCommon("rename", from, to)) {
        errno = g_errno;
        return -1;
    }
    int (*f)(const char *, const char *) = real("rename");
    return f(from, to);
}
int renameat(int fromDir, const char *from, int toDir, const char *to) {
    if (fromDir == AT_FDCWD && toDir == AT_FDCWD && renameCommon("renameat", from, to)) {
        errno = g_errno;
        return -1;
    }
    int (*f)(int, const char *, int, const char *) = real("renameat");
    return f(fromDir, from, toDir, to);
}
int renameat2(int fromDir, const char *from, int toDir, const char *to, unsigned flags) {
    if (fromDir == AT_FDCWD && toDir == AT_FDCWD && renameCommon("renameat2", from, to)) {
        errno = g_errno;
        return -1;
    }
    int (*f)(int, const char *, int, const char *, unsigned) = real("renameat2");
    return f(fromDir, from, toDir, to, flags);
}
