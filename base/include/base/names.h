// Versioned headers, derived file names, path splitting and quoting.
//
// Texts here are UTF-8, in which no byte of a multi-byte character is ASCII, so a
// "/" or "." test can never hit the second byte of a double-byte character.
#pragma once

#include <string>
#include <string_view>

namespace base {

// Header types of the shared builder; all are at version 2.00.
enum HeaderType {
    kHeaderNam = 0,
    kHeaderCss = 1,
    kHeaderPds = 2,
    kHeaderTrd = 3,
    kHeaderFss = 4,
    kHeaderFsm = 5,
    kHeaderLin = 6,
    kHeaderLtd = 7,
    kHeaderLts = 8,
    kHeaderDif = 9,
    kHeaderCtl = 10,
};

// " [KOV:NAM:V2.00 ]" and so on. A type above 10 (or below 0) builds an empty text.
std::string buildHeader(int type);
// The header line with a literal type and version, " [KOV:TSG:V1.00 ]".
std::string formatHeader(std::string_view type, double version);
// True when `line` begins with the first 12 characters of the header of `type`:
// the major version digit counts, the minor digits do not.
bool headerAccepted(std::string_view line, int type);

// Replaces the extension of the last path component. The old extension is dropped,
// except one beginning with c, h or i (any case) that is neither "css" nor "htm":
// then the "." becomes "-" and it stays in the name. `newExt` includes its dot
// (".tct") and may be empty, which strips the extension by the same rule.
std::string replaceExtension(std::string_view path, std::string_view newExt);

// The chart file of a project source: the data folder joined with the source's file
// name, its extension replaced by ".tct". Where the log itself lives (beside the
// project, in another folder, given with "../" or absolute) plays no part, so the
// generation, the chart window, the exports and the document runs all meet at the
// same file. An empty data folder gives the bare file name.
std::string chartFileOf(std::string_view dataFolder, std::string_view source);

// Folder part (up to and including the last "/") and name part (the rest).
struct SplitPath {
    std::string folder;
    std::string name;
};
SplitPath splitPath(std::string_view path);

// The folder of a path without its trailing "/" ("/" for a file in the root, "" when
// there is no folder part).
std::string folderOf(std::string_view path);
// Name without folder and without extension (derived-name rule).
std::string baseName(std::string_view path);
// Extension of the last component including its dot, or "".
std::string extensionOf(std::string_view path);
// True when the extension equals `ext` (with dot), ignoring ASCII case.
bool hasExtension(std::string_view path, std::string_view ext);

// Joins a folder and a name with "/" (no doubled separator).
std::string joinPath(std::string_view folder, std::string_view name);
bool isAbsolutePath(std::string_view path);
// A relative path is taken inside `base`; an absolute one is returned unchanged.
std::string makeAbsolute(std::string_view base, std::string_view path);
// Removes trailing "/" characters (but keeps a lone "/").
std::string stripTrailingSlash(std::string_view path);

// Quoting on write: surrounded by double quotes, any quote or newline inside dropped.
std::string quote(std::string_view value);
// Unquoting on read: with at least one double quote, the text between the first and
// the second quote (newlines dropped); otherwise the text as it is.
std::string unquote(std::string_view line);

// ASCII case-insensitive comparisons (keywords, extensions).
bool equalsNoCase(std::string_view a, std::string_view b);
bool startsWithNoCase(std::string_view s, std::string_view prefix);
std::string toUpperAscii(std::string_view s);
std::string trimBlanks(std::string_view s);

}  // namespace base
