// The document builder's run: definition file in, document and progress file out.
#include "docbuild/builder.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <vector>

#include "base/files.h"
#include "base/format.h"
#include "base/names.h"
#include "base/text.h"
#include "docbuild/body.h"
#include "docbuild/definition.h"

extern char** environ;

namespace docbuild {

namespace {

std::string fill(const char* pattern, const std::string& value) {
    std::string s = pattern;
    std::size_t at = s.find("%s");
    if (at != std::string::npos) s.replace(at, 2, value);
    return s;
}

const char* kindName(TargetType t) {
    switch (t) {
    case TargetType::Cover: return "表紙";
    case TargetType::Contents: return "目次";
    case TargetType::Chart: return "タイミングチャート";
    default: return "";
    }
}

std::string today() {
    std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    return documentDate(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday);
}

// The output document's name: a ".doc" name becomes ".docx", a name without
// extension gets ".docx".
std::string outputName(const std::string& dot) {
    std::string out = documentSibling(dot);
    if (base::extensionOf(out).empty()) out += ".docx";
    return out;
}

// Builds the document; returns the reason of a failure or an empty string.
std::string build(const std::string& installDir, const BuildOptions& options, ProgressLog& log) {
    Definition def;
    ReadResult rd = readDefinition(base::joinPath(installDir, kDefinitionName), def);
    if (!rd.ok()) return rd.error;
    log.line(fill(kStartLine, def.name));

    DocumentBody doc;
    std::string templ = documentSibling(def.templ);
    if (!base::fileExists(templ)) return "テンプレートファイルが見つかりません。[" + templ + "]";
    if (std::string e = doc.loadTemplate(templ); !e.empty()) return e;
    log.line(fill(kTemplateLine, templ));

    TagValues common;
    common["$PRJ"] = def.name;
    common["$DTD"] = options.date.empty() ? today() : options.date;
    common["$SYS"] = def.info.empty() ? def.name : readInfoValue(def.info, "SYS");
    if (common["$SYS"].empty() && !base::fileExists(def.info)) common["$SYS"] = def.name;
    common["$LGT"] = def.info.empty() ? std::string() : readInfoValue(def.info, "LGT");

    bool roman = false, contents = false, first = true;
    for (const Target& t : def.targets) {
        if (t.type == TargetType::Other) {
            log.line(fill(kSkippedLine, t.typeCode));
            continue;
        }
        std::string form = documentSibling(t.form);
        if (form.empty()) return std::string("フォームファイル名がありません。[") + kindName(t.type) + "]";
        if (!base::fileExists(form)) return "フォームファイルが見つかりません。[" + form + "]";
        if (t.type != TargetType::Chart) {
            if (std::string e = doc.appendForm(form, common, {}, !first, t.type == TargetType::Contents); !e.empty())
                return e;
            if (t.type == TargetType::Contents) {
                contents = true;
                roman = roman || t.romanPages;
            }
            first = false;
            log.line(fill(kTargetLine, kindName(t.type)));
            continue;
        }
        // The timing charts: the form once per source of the figure list.
        std::vector<FigureSource> sources;
        if (!t.inputs.empty()) {
            ReadResult rf = readFigureList(t.inputs.back(), sources);
            if (!rf.ok()) return rf.error;
        }
        if (sources.empty()) {
            if (std::string e = doc.appendForm(form, common, {}, !first); !e.empty()) return e;
            first = false;
        }
        for (const FigureSource& src : sources) {
            std::vector<PicturePage> pages;
            for (int p = 1; p <= src.pages; ++p) {
                PicturePage page;
                std::string path = pagePicturePath(src, p);
                if (!base::readFile(path, page.bytes)) return "図ファイルが見つかりません。[" + path + "]";
                PictureSize size;
                if (!metafileSize(page.bytes, size)) return "図ファイルの内容が不正です。[" + path + "]";
                page.name = base::splitPath(path).name;
                pages.push_back(std::move(page));
            }
            TagValues values = common;
            values["$TLN"] = src.title;
            if (std::string e = doc.appendForm(form, values, pages, !first); !e.empty()) return e;
            first = false;
            log.line(fill(kSourceLine, src.title));
        }
        log.line(fill(kTargetLine, kindName(t.type)));
    }
    if (roman) doc.setRomanPageNumbers();
    if (contents) doc.buildContents(roman);

    std::string out = outputName(def.document);
    std::string folder = base::folderOf(out);
    if (!folder.empty() && !base::isDirectory(folder)) return "出力フォルダが見つかりません。[" + folder + "]";
    if (std::string e = doc.save(out); !e.empty()) return e;
    log.line(fill(kDocumentLine, out));
    if (def.visible && options.openDocument) {
        log.line(fill(options.openDocument(out) ? kOpenedLine : kOpenFailedLine, out));
    }
    return {};
}

}  // namespace

ProgressLog::ProgressLog(const std::string& path) {
    f_ = std::fopen(path.c_str(), "wb");
    if (!f_) error_ = errno ? errno : EIO;
}

ProgressLog::~ProgressLog() { close(); }

void ProgressLog::line(std::string_view text) {
    if (!f_) return;
    std::string bytes = base::toCp932(text);
    bytes += "\r\n";
    errno = 0;
    if ((std::fwrite(bytes.data(), 1, bytes.size(), f_) != bytes.size() || std::fflush(f_) != 0) && !error_)
        error_ = errno ? errno : EIO;
}

int ProgressLog::close() {
    if (f_) {
        errno = 0;
        if (std::fclose(f_) != 0 && !error_) error_ = errno ? errno : EIO;
        f_ = nullptr;
    }
    return error_;
}

std::string documentDate(int year, int month, int day) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%4d 年 %2d 月 %2d 日", year, month, day);
    return buf;
}

int buildDocument(const std::string& installDir, const BuildOptions& options) {
    const std::string progress = base::joinPath(installDir, kProgressName);
    ProgressLog log(progress);
    std::string error = build(installDir, options, log);
    if (!error.empty()) {
        log.line(error);
        log.line(kFailedLine);
    } else {
        log.line(kDoneLine);
    }
    // A watcher may have missed lines (or the end): the one who started the builder
    // hears of it here.
    if (int e = log.close()) {
        char text[1024];
        std::snprintf(text, sizeof text, kProgressLostLine, progress.c_str(), std::strerror(e));
        std::fprintf(stderr, "%s\n", text);
    }
    return error.empty() ? 0 : 1;
}

bool openWithDesktop(const std::string& path) {
    // Started in its own session and not waited for; the child is reaped by init
    // once this short-lived program has ended.
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSID);
    std::string prog = "xdg-open";
    std::vector<char*> argv = {prog.data(), const_cast<char*>(path.c_str()), nullptr};
    pid_t pid = 0;
    int rc = posix_spawnp(&pid, prog.c_str(), nullptr, &attr, argv.data(), environ);
    posix_spawnattr_destroy(&attr);
    return rc == 0;
}

}  // namespace docbuild
