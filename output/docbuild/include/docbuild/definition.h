// The inputs of the document builder: the definition file "word.dif" that the Word
// output run writes, the figure list it names, and the project information file.
// All are line files whose lines may be scrambled; they are read in CP932 and held
// as UTF-8.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace docbuild {

// Longest line accepted in a definition file or figure list, in bytes of the file.
inline constexpr std::size_t kMaxLineBytes = 1023;
// Most target blocks and figure list entries read; more make the file invalid.
inline constexpr std::size_t kMaxTargets = 18;
inline constexpr std::size_t kMaxSources = 10000;
// Most pages of one source's figure.
inline constexpr int kMaxPages = 999;

enum class TargetType { Cover, Contents, Chart, Other };

struct Target {
    TargetType type = TargetType::Other;
    std::string typeCode;               // "CVP", "IDX", "TCT", ...
    std::vector<std::string> inputs;    // DIN lines in order
    std::string form;                   // FRM
    bool romanPages = false;            // OPT:-pagefont=roman
};

struct Definition {
    std::string project;       // NAM
    std::string info;          // CSS
    std::string name;          // PRJ
    std::string control;       // CTL
    std::string document;      // DOT
    std::string templ;         // TPL
    bool visible = true;       // OPT:-vis=on / -vis=off
    std::vector<Target> targets;  // blocks closed by EXE, in file order
};

// One source of the figure list: its title and the chart pages exported for it.
struct FigureSource {
    std::string title;    // TLN
    std::string base;     // FIG without "-tct/NNN": the chart path without extension
    int pages = 0;
};

// Result of reading: empty `error` on success, else a sentence for the progress file.
struct ReadResult {
    bool ok() const { return error.empty(); }
    std::string error;
};

ReadResult readDefinition(const std::string& path, Definition& out);
ReadResult readFigureList(const std::string& path, std::vector<FigureSource>& out);

// The value of `key` ("SYS", "LGT") in a project information file: the last line whose
// key matches without regard to case, blanks around key and value removed. A missing
// file gives an empty value.
std::string readInfoValue(const std::string& path, const std::string& key);

// The file a record names: a ".doc" or ".dot" name stands for its ".docx" sibling,
// the format this edition reads and writes.
std::string documentSibling(const std::string& path);

// The picture file of page `page` (from 1) of a figure: "<base>-tct-NNN.wmf".
std::string pagePicturePath(const FigureSource& src, int page);

}  // namespace docbuild
