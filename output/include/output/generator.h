// The HTML document generator: turns a definition file into HTML pages.
//
// For every target block of the definition file it reads the block's control file
// (the tag table), collects the values of the block's input file under those tags
// and writes the output page by copying the block's form with the tags replaced.
// Forms, input files and pages are CP932; the generator works on their bytes as they
// are, so a page says exactly what its form and input said. Messages go to the
// message pane's list "HTML" through base::services().
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace output {

// Results of the generator.
constexpr int kGenerateOk = 0;
constexpr int kGenerateFailed = 10;        // a target block failed; pages written before it stay
constexpr int kGenerateNoDefinition = 11;  // the definition file does not open

// The mode and first argument of the one entry the output run uses.
constexpr int kGenerateMode = 2;
inline constexpr const char* kGenerateEntry = "KovExec";

// Texts of the generator.
inline constexpr const char* kMsgNotFound = "ファイルが見つかりません。[%s]";
inline constexpr const char* kMsgNotWritable = "ファイルに書き込みができません。[%s]";
inline constexpr const char* kMsgInvalid = "ファイルの内容が不正です。[%s]";
inline constexpr const char* kMsgPageWritten = "HTML ドキュメントを出力しました。[%s : %s]";

// Limits.
constexpr std::size_t kTextPoolBytes = 512000;  // all values of one record
constexpr std::size_t kFormLineBytes = 65536;   // form lines; a longer one goes on as the next line
constexpr std::size_t kInputLineBytes = 1023;   // input and control file lines
constexpr int kMinTags = 3;                     // a control file with fewer tags is invalid

// The date a run puts under "DTD:". Zero fields mean today (local time).
struct RunDate {
    int year = 0, month = 0, day = 0;
    bool isSet() const { return year != 0; }
};
// Today's date in local time.
RunDate today();
// "%4d 年 %2d 月 %2d 日" (UTF-8).
std::string formatRunDate(const RunDate& d);
// Parses "YYYY-MM-DD" (a real calendar date). False when it is not one.
bool parseRunDate(std::string_view text, RunDate& out);

struct GeneratorOptions {
    RunDate date;  // unset: today
};

// Runs the generator. Only mode 2 with {"KovExec", definition file path} does work;
// any other call returns kGenerateNoDefinition with the not-found message. Returns
// kGenerateOk, kGenerateFailed or kGenerateNoDefinition.
int generate(int mode, const std::vector<std::string>& args, const GeneratorOptions& options = {});
// The same for one definition file.
int generateFromDefinition(const std::string& definitionPath, const GeneratorOptions& options = {});

// --- The parts, for tests and for other users of the tag rules ------------------

// One tag of the control file.
struct TagDef {
    std::string name;         // "$PRJ": "$" and three characters
    char type = 'S';          // S single value, V label list, P value list, M multi-line, F figure, G graph
    std::string key;          // "PRJ:" (a three-character key gets ":"), or "@LIST"
    std::string description;
};
struct KeyList {
    std::string name;
    std::vector<std::string> keys;  // three-character keys have ":" appended
};
struct ControlFile {
    std::vector<TagDef> tags;
    std::vector<KeyList> keyLists;
};
// Reads a control file (CP932 bytes kept as they are). 0; -1 when it cannot be opened;
// -2 when it declares fewer than three tags.
int readControlFile(const std::string& path, ControlFile& out);

// A form split at its "<BODY" and "</BODY" lines (matched in any letter case).
struct Form {
    std::vector<std::string> head;  // up to and including the first line with "<BODY"
    std::vector<std::string> body;  // the lines between
    std::vector<std::string> tail;  // from the line with "</BODY" to the end
};
// Reads a form (lines without their line breaks). 0, or -1 when it cannot be opened.
int readForm(const std::string& path, Form& out);

// Produces one page: `projectName` and `date` are put in front of every record.
// Paths are UTF-8 file names; `projectName` is UTF-8. Reports its own failures in the
// list "HTML". kGenerateOk or kGenerateFailed.
int producePage(const ControlFile& control, const std::string& inputPath, const std::string& formPath,
                const std::string& outputPath, std::string_view projectName, const RunDate& date);

}  // namespace output
