// Definition files and figure lists.
//
// A document output runs in two steps: a definition file says, target by target,
// which input goes through which form into which output document, and a generator
// (the HTML generator here, the document builder for Word) carries it out. The figure
// list says which chart images belong to which source of the project.
//
// Both are line files in CP932 with CR LF; every line goes through the line
// scrambling with its own line number (the header is line 1), and each file is
// written through a temporary file so a failed write keeps the previous copy. The
// readers below unscramble every line and hand out UTF-8; plain (unscrambled) lines
// are read as well, so hand-written definition files work too.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace output {

// --- Output targets ---------------------------------------------------------------

// The target lists of the user parameters have 18 entries, indexed by target
// number. An entry's high byte is the target's position in the output dialog's list
// (1-based), its low byte the target's order number in the document (1..18; 0 = not
// selected).
constexpr int kTargetCount = 18;
constexpr int kTargetCover = 0;     // CVP, the cover page "表紙"
constexpr int kTargetContents = 1;  // IDX, the contents "目次"
constexpr int kTargetChart = 17;    // TCT, the timing chart "タイミングチャート"
using TargetList = std::array<int, kTargetCount>;

inline int targetOrder(int entry) { return entry & 0xFF; }
inline int targetPosition(int entry) { return (entry >> 8) & 0xFF; }
inline int targetEntry(int position, int order) { return ((position & 0xFF) << 8) | (order & 0xFF); }

// True for the three targets this system produces (0, 1 and 17).
bool isProducedTarget(int target);
// Type code of a produced target ("CVP", "IDX", "TCT"); "" for any other number.
std::string_view targetTypeCode(int target);
// Name of a produced target as the user sees it ("表紙", "目次", "タイミングチャート").
std::string_view targetName(int target);
// Name of a definition file type code ("CVP" → "表紙", ...); "" for codes this
// system does not produce.
std::string_view typeCodeName(std::string_view code);
// Position (1..17) of a type code among the codes a definition file may carry
// (CVP, IDX, FCL, CFL, CVL, CCL, CVR, TFF, TFR, TCF, TCR, FSS, PAD, HCP, SLT, FLW,
// TCT); 0 for an unknown code. Case matters.
int typeCodePosition(std::string_view code);

// Prepares a target list for the output dialog: every target other than 0, 1 and 17
// is cleared; when two of the three share a position, or none has position 1, they
// get positions 1, 2, 3 in target order and are unticked. True when it renumbered.
bool prepareTargets(TargetList& targets);

// One row of the output dialog's list, top to bottom.
struct TargetRow {
    int target = 0;
    bool ticked = false;
};
// The target list the dialog stores for its rows: row i gets position i + 1 and,
// when ticked, the next order number (1, 2, ... among the ticked rows). Targets not
// in the rows are 0.
TargetList targetsFromRows(const std::vector<TargetRow>& rows);

// --- File names -------------------------------------------------------------------

inline constexpr const char* kControlFileName = "rq4100.ctl";
inline constexpr const char* kWordDefinitionName = "word.dif";

// The project's name: the project file's name without folder and extension.
std::string projectName(const std::string& projectPath);
// "word.dif" in the installation folder.
std::string wordDefinitionPath(const std::string& installDir);
// "<project folder>/<project name>-html.dif".
std::string htmlDefinitionPath(const std::string& projectPath);
// The figure lists "<folder>/TC-WORD.tsg" and "<folder>/TC-HTML.tsg".
std::string wordFigureListPath(const std::string& folder);
std::string htmlFigureListPath(const std::string& folder);
// The HTML page of a target: "<output folder>/<project name>-<type code in lower
// case>.html"; the project folder when `outputFolder` is empty.
std::string htmlPagePath(const std::string& outputFolder, const std::string& projectPath, int target);

// --- Writers ----------------------------------------------------------------------

// Results of the writers.
constexpr int kWriteOk = 0;
constexpr int kWriteFailed = -1;    // the file cannot be created or written
constexpr int kWriteNotCp932 = -2;  // a value holds a character without a CP932 form; nothing written

// What the Word definition file says. Paths are absolute (the caller resolves the
// settings against the installation folder first).
struct WordDefinition {
    std::string installDir;
    std::string projectPath;
    TargetList targets{};
    std::array<std::string, kTargetCount> forms;  // Word form per target
    std::string templatePath;                     // the macro template ("TPL:")
    std::string documentPath;                     // chosen output document; "" → project path with ".doc"
    bool romanPages = false;                      // contents with roman page numbers
    bool hidden = false;                          // the builder runs without its window ("-vis=off")
    std::string figureListPath;                   // the Word figure list
    // The project has a source and the chart exported last produced at least one
    // page; without it the timing-chart target is left out.
    bool chartPages = false;
};
// Writes the Word definition file at `path` (normally wordDefinitionPath()). Targets
// follow their order numbers 1, 2, ... and the list stops at the first number no
// target has. kWriteOk, kWriteFailed or kWriteNotCp932.
int writeWordDefinition(const WordDefinition& d, const std::string& path);

// What the HTML definition file says.
struct HtmlDefinition {
    std::string installDir;
    std::string projectPath;
    TargetList targets{};
    std::array<std::string, kTargetCount> forms;  // HTML form per target
    std::string outputFolder;                     // chosen HTML output folder; "" → project folder
    std::string figureListPath;                   // the HTML figure list
    bool chartPages = false;                      // as in WordDefinition
};
// Writes the HTML definition file at `path` (normally htmlDefinitionPath()). Targets
// follow their order numbers 1..18; a number no target has is passed over.
int writeHtmlDefinition(const HtmlDefinition& d, const std::string& path);

// The figure list, written while the run exports the chart pages of each source.
// Nothing reaches `path` before commit(); a run that stops early still commits what
// it has, so the entries written so far stay.
class FigureListWriter {
public:
    // Starts the list with its header line. False when the file cannot be created.
    bool open(const std::string& path);
    bool isOpen() const;
    // Appends one source: "TLN:" with its display name, "FIG:" with the chart's path
    // without extension, "-tct/" and the page count in three digits, and "///:". False
    // when a text has no CP932 form (nothing appended) or the list is not open.
    bool add(std::string_view title, std::string_view chartPathNoExt, int pages);
    // Writes the file. kWriteOk or kWriteFailed.
    int commit();
    ~FigureListWriter();

private:
    std::string path_;
    std::string bytes_;
    int lineNo_ = 0;
    bool open_ = false;
};

// The "FIG:" value of a source: "<chart path without extension>-tct/<pages, 3 digits>".
std::string figureValue(std::string_view chartPathNoExt, int pages);

// --- Readers ----------------------------------------------------------------------

// Longest line the readers take (CP932 bytes); the rest of a longer line is dropped.
constexpr std::size_t kDefinitionLineBytes = 1023;

// Reads a line file written through the scrambling: every line unscrambled, its
// line break removed, decoded from CP932 to UTF-8. Lines are not otherwise cleaned.
// `allCp932` (optional) becomes false when a line held bytes that are not CP932
// (they read as U+FFFD). 0, or -1 when the file cannot be opened.
int readScrambledLines(const std::string& path, std::vector<std::string>& lines, bool* allCp932 = nullptr);

// Cleans one line as the definition and control file readers do: trailing blanks
// removed and a comment cut off. A "#" at the start of the line, or after a blank or
// tab, begins a comment. Returns false for a line to skip (empty, or beginning with
// "#" or "*").
bool cleanDefinitionLine(std::string& line);

// One record of a definition file: a three-character key ("TYP", "DIN", ...) and
// the text behind its colon. A block end "//" is a record with key "//".
struct DefinitionRecord {
    std::string key;
    std::string value;
};
// The records of a definition file in file order, up to the line "/". Lines that are
// neither "KEY:value" nor "//" are left out. 0, or -1 when the file cannot be opened.
// `headerOk` (optional) tells whether line 1 is the DIF header of major version 2.
int readDefinitionRecords(const std::string& path, std::vector<DefinitionRecord>& records,
                          bool* headerOk = nullptr);

// A definition file grouped into its common part and its target blocks.
struct DefinitionBlock {
    std::string type;                 // "TYP:"
    std::vector<std::string> inputs;  // every "DIN:", in order
    std::string form;                 // "FRM:"
    std::string output;               // "DOT:" inside the block
    std::string control;              // "CTL:" inside the block
    std::vector<std::string> options; // "OPT:" inside the block
    bool execute = false;             // "EXE:" met
};
struct Definition {
    bool headerOk = false;
    // The common part (records before the first "TYP:").
    std::string projectFile;   // "NAM:"
    std::string infoFile;      // "CSS:"
    std::string project;       // "PRJ:"
    std::string control;       // "CTL:"
    std::string document;      // "DOT:"
    std::string templatePath;  // "TPL:"
    std::vector<std::string> options;  // "OPT:"
    std::vector<DefinitionBlock> blocks;
};
// Reads a definition file into its parts. 0, or -1 when it cannot be opened.
int readDefinition(const std::string& path, Definition& out);

// One source of a figure list.
struct FigureEntry {
    std::string title;    // "TLN:"
    std::string figure;   // "FIG:" as written
    std::string basePath; // the images' path without "-001.gif"
    int pages = 0;        // number of images
};
// Reads a figure list. An entry ends at "///:" (a last entry without it counts too).
// 0, or -1 when the file cannot be opened. `headerOk` as for definition files.
int readFigureList(const std::string& path, std::vector<FigureEntry>& entries, bool* headerOk = nullptr);

// Splits a figure value into the images' base path and their count: a value that
// ends in "/" and one to four digits gives the count (0 when the digits are 0) and the path before
// them; a value without that ending names one image.
struct FigureRef {
    std::string basePath;
    int count = 1;
};
FigureRef parseFigureValue(std::string_view value);
// The k-th image of a figure (k from 1): "<base path>-%03d.gif".
std::string figureImagePath(std::string_view basePath, int k);

}  // namespace output
