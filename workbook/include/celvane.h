/*
 * celvane.h - C interface of libcelvane, the workbook library.
 *
 * libcelvane writes spreadsheet workbooks in the BIFF5 (5.0/95) and BIFF8 (97) record
 * formats inside an OLE2 compound file. It has three layers over one engine:
 *
 *   Xls...  a current book chosen by a handle, cells named by text references
 *           ("B3", "A1:C4", "A1,C3", "B2_[1:2]", "**name"; an offset suffix moves every
 *           item before it: "A1,C1_[1:1]" is B2 and D2), attributes set one property
 *           at a time, and a process-wide error number with message texts.
 *           Functions return 1 on success and 0 on failure; XlsGetErrorNo tells why.
 *   XL_...  a thin layer over engine book 0 with a current sheet and a write cursor.
 *           Functions return the engine's code (0 or negative).
 *   XM_...  the engine: every call names a book number (0..31), a zero-based sheet,
 *           column (0..255) and row (0..65535). Functions return 0 (or a number) on
 *           success and a negative code on failure.
 *
 * Engine codes and Xls error numbers (error number = -code):
 *   -1 file cannot be opened or created      -31 buffer or text too long
 *   -2 book number outside 0..31             -32 column or row out of range
 *   -3 no book open in that slot             -33 attribute number error
 *   -4 sheet number out of range             -34 bad argument / unusable reference
 *   -5 write error while storing             -35 no data      -36 end of data
 *   -6 book not in the mode the call needs   -37 named cell does not exist
 *   -7 the cell holds no data of that kind   -40, -41 out of memory   -50 internal
 *   -100..-199 formula syntax error (reported by the Xls layer as error 100)
 *
 * Texts: callers pass and receive texts in the library's text code page, CP932
 * (Shift-JIS) unless XlsSetCodePage(65001) switched it to UTF-8; the switch applies to
 * every text passed or returned from then on, in books already open too. BIFF5 books
 * are written in CP932; BIFF5 books of other writers are read in the code page of their
 * CODEPAGE record (CP932 without one). BIFF8 books store UTF-16 (or 8-bit text when
 * every byte is ASCII).
 *
 * All state is process-wide; calls must come from one thread at a time.
 */
#ifndef CELVANE_H
#define CELVANE_H

#ifdef __cplusplus
extern "C" {
#endif

#if defined(__GNUC__)
#define CELVANE_API __attribute__((visibility("default")))
#else
#define CELVANE_API
#endif

/* ---- types ---------------------------------------------------------------- */

/* An open book of the Xls layer: a 32-bit serial number, never 0, that the library looks
 * up in its own list of open books; a closed, unknown or zero handle gives error 3.
 * Handles are not reused while the process runs. */
typedef int BookHandle;

/* Attribute description: 24 16-bit fields; -1 (0xFFFF) means "not given", except
 * rotation, where 0 means not given. XM_InitAttr fills a fresh one. */
typedef struct AttrDesc {
    short font;          /* font number */
    short format;        /* number format index */
    short horz;          /* 0 general, 1 left, 2 centre, 3 right, further BIFF codes */
    short wrap;          /* 0, 1 */
    short vert;          /* 0 top, 1 centre, 2 bottom, 3 justify */
    short orient;        /* BIFF5 orientation 0..3 */
    short lineTop, lineBottom, lineLeft, lineRight;     /* styles: BIFF5 0..7, BIFF8 0..13 */
    short colorTop, colorBottom, colorLeft, colorRight; /* palette 8..63, 64 automatic */
    short pattern;       /* 0 none, 1 solid, further BIFF codes */
    short patternColor;  /* 8..63, 64 automatic */
    short backColor;     /* 8..63 */
    short shrink;        /* BIFF8: shrink to fit 0, 1 */
    short merge;         /* BIFF8: merge cells 0, 1 */
    short diagKind;      /* BIFF8: 0 none, 1 rising to the left, 2 rising to the right, 3 both */
    short diagStyle;     /* BIFF8: 0..13 */
    short diagColor;     /* BIFF8: 8..63, 64 automatic */
    short indent;        /* BIFF8: 0..15, with left alignment only */
    short rotation;      /* BIFF8: 0..90 anticlockwise, 91..180 clockwise, 255 stacked */
} AttrDesc;

/* A formula's cached result for XM_WriteFunc3. kind: 0 number (value.number),
 * 1 boolean (value.whole), 2 error code (value.whole), 3 text (length, text). */
typedef struct FormulaResult {
    union {
        double number;
        int whole;
    } value;
    short kind;
    short length;
    char text[256];
} FormulaResult;

/* ---- engine: books --------------------------------------------------------- */

/* Creates a BIFF5 book (stream "Book") with `sheets` sheets (below 1: 16; above 255:
 * 255). Returns the book number 0..31, or -1. The file appears when XM_Close stores
 * the book; until then an existing file of that name is left as it was. */
CELVANE_API int XM_Create(const char* file, int sheets);
/* The same for a BIFF8 book (stream "Workbook"); below 1 sheet gives 3. */
CELVANE_API int XM_Create97(const char* file, int sheets);
/* Builds the remaining records, writes the compound file and frees the slot.
 * 0, -2, -3, -5. */
CELVANE_API int XM_Close(int book);
/* Frees the slot without storing; no file is left behind. 0, -2, -3. */
CELVANE_API int XM_Cancel(int book);
/* Appends a record of the caller's making to the sheet, written after the cells and
 * before WINDOW2. length 0..8224. 0, -2, -3, -4, -34, -40. */
CELVANE_API int XM_WriteBin(int book, int sheet, int recordNo, int length, const void* data);

/* Template books and rewriting. XM_CreateT: the book number, or -5001 when the
 * template is no readable workbook; "**name" texts become named cells (left empty).
 * XM_Open: the book number or -1; without a source the file itself is the template and
 * keeps its markers, and XM_OpenClose replaces it. XM_OpenClose: 0, -2, -3. */
CELVANE_API int XM_CreateT(const char* file, const char* templateFile);
CELVANE_API int XM_Open(const char* file, const char* source);
CELVANE_API int XM_OpenClose(int book);

/* ---- engine: values -------------------------------------------------------- */

/* Texts (BIFF5 LABEL cut to 255 bytes; BIFF8 shared string), whole numbers (RK from
 * -536870912 to 536870911, else NUMBER) and numbers (NUMBER). The plain forms use
 * attribute 15 and merge with the cell's existing attribute; the 2 forms take an
 * attribute number (-a: attribute a without merging). 0, -2, -3, -4, -32, -34, -40. */
CELVANE_API int XM_WriteStr(int book, int sheet, int col, int row, const char* text);
CELVANE_API int XM_WriteInt(int book, int sheet, int col, int row, int value);
CELVANE_API int XM_WriteDouble(int book, int sheet, int col, int row, double value);
CELVANE_API int XM_WriteStr2(int book, int sheet, int col, int row, const char* text, int attr);
CELVANE_API int XM_WriteInt2(int book, int sheet, int col, int row, int value, int attr);
CELVANE_API int XM_WriteDouble2(int book, int sheet, int col, int row, double value, int attr);
/* By name: at every cell of the sheet named `name` in a template, moved by (dc, dr).
 * -37 for an unknown name. */
CELVANE_API int XM_WriteStrh(int book, int sheet, const char* name, int dc, int dr, const char* text);
CELVANE_API int XM_WriteInth(int book, int sheet, const char* name, int dc, int dr, int value);
CELVANE_API int XM_WriteDoubleh(int book, int sheet, const char* name, int dc, int dr, double value);

/* Formulas: compiled into FORMULA records; a supplied text result adds a STRING
 * record. A syntax error gives -100; a result kind other than 0..3 (or an unknown
 * error code) -34; a text result over 256 bytes -31. */
CELVANE_API int XM_WriteFunc(int book, int sheet, int col, int row, const char* formula);
CELVANE_API int XM_WriteFunc2(int book, int sheet, int col, int row, const char* formula, int attr);
CELVANE_API int XM_WriteFunc3(int book, int sheet, int col, int row, const char* formula, int attr,
                              const FormulaResult* result);
CELVANE_API int XM_WriteFunch(int book, int sheet, const char* name, int dc, int dr, const char* formula);

/* ---- engine: formatting ---------------------------------------------------- */

/* Font number for (name, size in points, colour index, style bits 1 bold 2 italic
 * 4 strikeout 8 superscript 16 subscript, underline). Null or empty name: the book's
 * default font; size -1.0: its default size. Font number 4 is never used.
 * -3, -31 (name over 32 bytes), -34, -40. */
CELVANE_API int XM_FontNo(int book, const char* name, double size, int color, int style, int underline);
/* Number format index of a format text (built-ins 5..8, 23..26, 41..44; user formats
 * from 176). -3, -31 (null, empty or too long), -34, -40. */
CELVANE_API int XM_FmtNo(int book, const char* format);
/* Attribute number from packed line styles and colours (top, bottom, left, right in
 * bytes 3..0; 255 none), horizontal alignment, font and format (-1 each: not given). */
CELVANE_API int XM_GetAttrNo(int book, int lineStyles, int lineColors, int horz, int font, int format);
/* Attribute number of a description. -3, -40, -41. */
CELVANE_API int XM_GetAttrNo2(int book, const AttrDesc* desc);
/* Fills every field with -1 and rotation with 0. */
CELVANE_API void XM_InitAttr(AttrDesc* desc);
/* Apply an attribute (merged with the cell's) to a cell or rectangle; a cell without
 * value receives a BLANK. -a: attribute a without merging. A description that sets
 * merge = 1 on a rectangle makes it a merged area (BIFF8). */
CELVANE_API int XM_SetAttr(int book, int sheet, int col, int row, int attr);
CELVANE_API int XM_SetAttrExt(int book, int sheet, int col1, int row1, int col2, int row2, int attr);
CELVANE_API int XM_SetAttr2(int book, int sheet, int col, int row, const AttrDesc* desc);
CELVANE_API int XM_SetAttrExt2(int book, int sheet, int col1, int row1, int col2, int row2,
                               const AttrDesc* desc);
/* The same by cell name; the rectangle forms take two offset pairs from the named cell. */
CELVANE_API int XM_SetAttrh(int book, int sheet, const char* name, int dc, int dr, int attr);
CELVANE_API int XM_SetAttrExth(int book, int sheet, const char* name, int dc1, int dr1, int dc2, int dr2,
                               int attr);
CELVANE_API int XM_SetAttr2h(int book, int sheet, const char* name, int dc, int dr, const AttrDesc* desc);
CELVANE_API int XM_SetAttrExt2h(int book, int sheet, const char* name, int dc1, int dr1, int dc2, int dr2,
                                const AttrDesc* desc);
/* Changes entry 0..4 of the default font tables used by books created later.
 * -34 for another entry, -31 for a name over 32 bytes. */
CELVANE_API int XE_SetDefFont(int entry, const char* name, double size, int color, int style, int underline);

/* Lines on a rectangle; line value = style (low 4 bits) | colour index << 8.
 * BoxLine: the outline; LtcLine: every side of every cell; Over/Under/Left/Right:
 * that side of every cell. */
CELVANE_API int XM_BoxLine(int book, int sheet, int col1, int row1, int col2, int row2, int line);
CELVANE_API int XM_LtcLine(int book, int sheet, int col1, int row1, int col2, int row2, int line);
CELVANE_API int XM_OverLine(int book, int sheet, int col1, int row1, int col2, int row2, int line);
CELVANE_API int XM_UnderLine(int book, int sheet, int col1, int row1, int col2, int row2, int line);
CELVANE_API int XM_LeftLine(int book, int sheet, int col1, int row1, int col2, int row2, int line);
CELVANE_API int XM_RightLine(int book, int sheet, int col1, int row1, int col2, int row2, int line);

/* Column width in characters (0 hides; outside 0..255: 255) and row height in points
 * (0..409; 0 hides). 0, -2, -3, -4, -6, -32. */
CELVANE_API int XM_SetColWidth(int book, int sheet, int col1, int col2, int width);
CELVANE_API int XM_SetRowHeight(int book, int sheet, int row, double height);
/* Column width in 1/256 character units for a font size (points) and a width in
 * characters (11 pt, 8 characters: 2207). */
CELVANE_API int GetColVal(double fontSize, int width);

/* ---- engine: sheets and page setup ------------------------------------------ */
/* XM_SheetName: 0, -2, -3, -6, -31 (1..32 bytes), -4, -34 (a duplicate, in any case).
 * XM_SetAddSheet: 0, -34 unless count >= 1 and the total stays below 256.
 * XM_SetDelSheet: 0, -34, -4 for a chart or module sheet in the range.
 * XM_SetPageMode: paper, scale, orientation (0 landscape), header and footer in mm. */

CELVANE_API int XM_SheetName(int book, int sheet, const char* name);
CELVANE_API int XM_SetAddSheet(int book, int count);
CELVANE_API int XM_SetDelSheet(int book, int first, int count);
/* Sets the "/"-separated sheets the sheet's formulas may refer to (available now):
 * 0, -2, -3, -4, -34 (empty list, a name of 0 or more than 32 characters). */
CELVANE_API int XM_SetRefSheet(int book, int sheet, const char* names);
CELVANE_API int XM_SetGridMode(int book, int sheet, int flag);
CELVANE_API int XM_SetPageMode(int book, int sheet, int paper, int scale, int orientation, double headerMm,
                               double footerMm);

/* ---- engine: reading ------------------------------------------------------- */

CELVANE_API int XM_ReadOpen(const char* file);
CELVANE_API int XM_ReadClose(int book);
CELVANE_API int XM_Read(int book, int sheet, int col, int row, int* kind, double* value, char* text, int size);
CELVANE_API int XM_GetSheetName(int book, int sheet, char* name, int size);
CELVANE_API int XM_GetColWidth(int book, int sheet, int col);
CELVANE_API double XM_GetRowHeight(int book, int sheet, int row);
CELVANE_API int XM_GetMaxData(int book, int sheet, int* cols, int* rows);

/* ---- XL layer: engine book 0, a current sheet and a write cursor ------------ */

CELVANE_API int XL_Create(const char* file, int sheets);
CELVANE_API int XL_Create97(const char* file, int sheets);
CELVANE_API int XL_CreateT(const char* file, const char* templateFile);
CELVANE_API int XL_Open(const char* file, const char* source);
CELVANE_API int XL_OpenClose(int book);
CELVANE_API int XL_ReadOpen(const char* file);
CELVANE_API int XL_Close(void);
CELVANE_API int XL_Cancel(void);
CELVANE_API int XL_ReadClose(void);

CELVANE_API int XL_SelSheetNo(int sheet);
CELVANE_API int XL_SheetName(const char* name);
CELVANE_API int XL_SetAddSheet(int count);
CELVANE_API int XL_SetDelSheet(int first, int count);
CELVANE_API int XL_SetRefSheet(const char* names);
CELVANE_API int XL_SetGridMode(int flag);
CELVANE_API int XL_SetPageMode(int paper, int scale, int orientation, double headerMm,
                               double footerMm);

CELVANE_API int XL_WriteStr(int col, int row, const char* text);
CELVANE_API int XL_WriteInt(int col, int row, int value);
CELVANE_API int XL_WriteDouble(int col, int row, double value);
CELVANE_API int XL_WriteFunc(int col, int row, const char* formula);
CELVANE_API int XL_WriteStr2(int col, int row, const char* text, int attr);
CELVANE_API int XL_WriteInt2(int col, int row, int value, int attr);
CELVANE_API int XL_WriteDouble2(int col, int row, double value, int attr);
CELVANE_API int XL_WriteFunc2(int col, int row, const char* formula, int attr);
CELVANE_API int XL_WriteFunc3(int col, int row, const char* formula, int attr, const FormulaResult* result);

CELVANE_API int XL_WriteStrh(const char* name, int dc, int dr, const char* text);
CELVANE_API int XL_WriteInth(const char* name, int dc, int dr, int value);
CELVANE_API int XL_WriteDoubleh(const char* name, int dc, int dr, double value);
CELVANE_API int XL_WriteFunch(const char* name, int dc, int dr, const char* formula);
CELVANE_API int XL_WriteStr2h(const char* name, int dc, int dr, const char* text, int attr);
CELVANE_API int XL_WriteInt2h(const char* name, int dc, int dr, int value, int attr);
CELVANE_API int XL_WriteDouble2h(const char* name, int dc, int dr, double value, int attr);
CELVANE_API int XL_WriteFunc2h(const char* name, int dc, int dr, const char* formula, int attr);
CELVANE_API int XL_WriteFunc3h(const char* name, int dc, int dr, const char* formula, int attr,
                               const FormulaResult* result);
CELVANE_API int XL_MovePosh(const char* name, int dc, int dr);

/* Cursor writes: each stored cell moves the cursor one column right (after column
 * 255 to column 0 of the next row); XL_WrtCR goes to column 0 of the next row. */
CELVANE_API int XL_MovePos(int col, int row);
CELVANE_API int XL_WrtCR(void);
CELVANE_API int XL_WrtStr(const char* text);
CELVANE_API int XL_WrtInt(int value);
CELVANE_API int XL_WrtDouble(double value);
CELVANE_API int XL_WrtFunc(const char* formula);
CELVANE_API int XL_WrtStr2(const char* text, int attr);
CELVANE_API int XL_WrtInt2(int value, int attr);
CELVANE_API int XL_WrtDouble2(double value, int attr);
CELVANE_API int XL_WrtFunc2(const char* formula, int attr);

CELVANE_API int XL_FontNo(const char* name, double size, int color, int style, int underline);
CELVANE_API int XL_FmtNo(const char* format);
CELVANE_API int XL_GetAttrNo(int lineStyles, int lineColors, int horz, int font, int format);
CELVANE_API int XL_GetAttrNo2(const AttrDesc* desc);
CELVANE_API void XL_InitAttr(AttrDesc* desc);
CELVANE_API int XL_SetAttr(int col, int row, int attr);
CELVANE_API int XL_SetAttrExt(int col1, int row1, int col2, int row2, int attr);
CELVANE_API int XL_SetAttr2(int col, int row, const AttrDesc* desc);
CELVANE_API int XL_SetAttrExt2(int col1, int row1, int col2, int row2, const AttrDesc* desc);
CELVANE_API int XL_SetAttrh(const char* name, int dc, int dr, int attr);
CELVANE_API int XL_SetAttrExth(const char* name, int dc1, int dr1, int dc2, int dr2, int attr);
CELVANE_API int XL_SetAttr2h(const char* name, int dc, int dr, const AttrDesc* desc);
CELVANE_API int XL_SetAttrExt2h(const char* name, int dc1, int dr1, int dc2, int dr2, const AttrDesc* desc);
/* Non-zero: values and attributes no longer merge with what a cell has. Returns 0. */
CELVANE_API int XL_SetAttrMode(int flag);

CELVANE_API int XL_BoxLine(int col1, int row1, int col2, int row2, int line);
CELVANE_API int XL_LtcLine(int col1, int row1, int col2, int row2, int line);
CELVANE_API int XL_OverLine(int col1, int row1, int col2, int row2, int line);
CELVANE_API int XL_UnderLine(int col1, int row1, int col2, int row2, int line);
CELVANE_API int XL_LeftLine(int col1, int row1, int col2, int row2, int line);
CELVANE_API int XL_RightLine(int col1, int row1, int col2, int row2, int line);
/* Packs four bytes a<<24 | b<<16 | c<<8 | d (top, bottom, left, right; 255 none). */
CELVANE_API int XL_KeiNo(int top, int bottom, int left, int right);
CELVANE_API int XL_KeiPNo(int top, int bottom, int left, int right);
CELVANE_API int XL_KBoxNo(int v);
CELVANE_API int XL_KTopNo(int v);
CELVANE_API int XL_KBtmNo(int v);
CELVANE_API int XL_KLftNo(int v);
CELVANE_API int XL_KRitNo(int v);
CELVANE_API int XL_KBoxPNo(int v);
CELVANE_API int XL_KTopPNo(int v);
CELVANE_API int XL_KBtmPNo(int v);
CELVANE_API int XL_KLftPNo(int v);
CELVANE_API int XL_KRitPNo(int v);

CELVANE_API int XL_SetColWidth(int col1, int col2, int width);
CELVANE_API int XL_SetRowHeight(int row, double height);
CELVANE_API int XL_Read(int col, int row, int* kind, double* value, char* text, int size);

/* ---- Xls layer: 1 = success, 0 = failure (see XlsGetErrorNo) ---------------- */

/* version 97: BIFF8 book, else BIFF5; sheets below 1: the engine default.
 * The new book becomes current; *handle (when given) receives it. */
CELVANE_API int XlsCreateBook(const char* file, int version, int sheets, BookHandle* handle);
CELVANE_API int XlsOpenBook(const char* file, const char* source, BookHandle* handle);
CELVANE_API int XlsReadBook(const char* file, BookHandle* handle);
/* Closes the current book: a created book is stored when save is non-zero and
 * discarded when 0. No book is current afterwards. */
CELVANE_API int XlsCloseBook(int save);
CELVANE_API int XlsAllClose(void);
CELVANE_API int XlsSelectBook(BookHandle handle);
CELVANE_API int XlsSheetNo(int sheet);
CELVANE_API int XlsAddSheet(int count);
CELVANE_API int XlsDelSheet(int first, int count);
CELVANE_API int XlsPutSheetName(const char* name);
CELVANE_API int XlsPutRefSheet(const char* names);
CELVANE_API int XlsPageMode(int paper, int scale, int orientation, double headerMm, double footerMm);
/* Margins in mm (negative: the default 20, 20, 25, 25); error 34 above 1000. */
CELVANE_API int XlsSetMargin(int left, int right, int top, int bottom);
CELVANE_API int XlsModeGrid(int flag);

/* Sets the current position (under 256 characters). A new position clears the
 * pending attributes, so setters on one reference build one attribute together. */
CELVANE_API int XlsMove(const char* ref);
CELVANE_API int XlsPutStr(const char* text, const char* ref);
CELVANE_API int XlsPutLong(int value, const char* ref);
CELVANE_API int XlsPutDouble(double value, const char* ref);
CELVANE_API int XlsPutFunc(const char* formula, const char* result, const char* ref);
/* Writes "=..." / "@..." as a formula, whole numbers, numbers, else text. */
CELVANE_API int XlsPutValue(const char* text, const char* ref);
/* Kind of a text: 3 formula, 2 whole number (*n), 1 number (*d), 0 text. */
CELVANE_API int XlsStrToValue(const char* text, double* d, int* n);
/* Lines round or inside each range: kind 1 grid, 2 top, 3 bottom, 4 left, 5 right,
 * other: outline. line = style << 24 | colour index (the same form as the line
 * setters XlsPutLineTop ...). */
CELVANE_API int XlsPutBox(int line, int kind, const char* ref);

/* Attribute setters: each sets one property of the pending attribute and applies it. */
CELVANE_API int XlsPutFormat(const char* format, const char* ref);
CELVANE_API int XlsPutFontName(const char* name, const char* ref);
CELVANE_API int XlsPutFontPoint(double points, const char* ref);
CELVANE_API int XlsPutFontColor(int color, const char* ref);
CELVANE_API int XlsPutFontStyle(int style, const char* ref);
CELVANE_API int XlsPutFontULine(int underline, const char* ref);
CELVANE_API int XlsPutLineTop(int line, const char* ref);
CELVANE_API int XlsPutLineBottom(int line, const char* ref);
CELVANE_API int XlsPutLineLeft(int line, const char* ref);
CELVANE_API int XlsPutLineRight(int line, const char* ref);
CELVANE_API int XlsPutLineLeftUp(int line, const char* ref);
CELVANE_API int XlsPutLineRightUp(int line, const char* ref);
CELVANE_API int XlsPutPattern(int pattern, const char* ref);
CELVANE_API int XlsPutBackColor(int color, const char* ref);
/* 20 general, 21 left, 22 centre, 23 right ...; below 20: left with that indent. */
CELVANE_API int XlsPutPosHorz(int value, const char* ref);
CELVANE_API int XlsPutPosVert(int value, const char* ref);
/* 100 + orientation, or a rotation below 100. */
CELVANE_API int XlsPutPosTurn(int value, const char* ref);
CELVANE_API int XlsPutOverReturn(int flag, const char* ref);
CELVANE_API int XlsPutFit(int flag, const char* ref);
CELVANE_API int XlsPutJoint(int flag, const char* ref);
/* Width in characters (-1: 8); height in points (-1.0: 13.0). */
CELVANE_API int XlsPutColWidth(int width, const char* ref);
CELVANE_API int XlsPutRowHeight(double points, const char* ref);
CELVANE_API int XlsPutDefFontName(const char* name);
CELVANE_API int XlsPutDefFontPoint(double points);

/* Reading. XlsGetStr, XlsGetValue, XlsGetLong and XlsGetDouble report through the error
 * number. The inquiries from XlsGetReadBin to XlsGetVersion never change it: they return
 * 1 (or their value), 0 without a current book or when it was not opened for reading
 * (XlsGetReadBin: -1); XlsGetMaxData gives 0 as well for a sheet that does not exist. XlsGetAttr (a negative number: 15), XlsGetFont (there is no font 4)
 * and XlsGetFormat leave their outputs unchanged, and return 1, for a record the file does
 * not hold; XlsGetFont fills no name that does not fit. XlsGetPageMode: margins in mm in
 * the order left, top, right, bottom (20, 25, 20, 25 when absent); -1 when the sheet has
 * no SETUP before its column records, 0 for a sheet that does not exist. */
/* XlsGetStr, XlsGetValue: a text cell is cut to size - 1 bytes (never inside a character);
 * a number is written as "%f" without trailing zeros, error 31 when that does not fit. */
CELVANE_API int XlsGetStr(char* buffer, int size, const char* ref);
CELVANE_API int XlsGetValue(char* buffer, int size, const char* ref);
CELVANE_API int XlsGetLong(int* value, const char* ref);
CELVANE_API int XlsGetDouble(double* value, const char* ref);
CELVANE_API int XlsGetReadBin(int* col, int* row, int* attr, char* text, int size, int* kind, double* d, int* n,
                              int position);
CELVANE_API int XlsGetMaxData(int* cols, int* rows);
CELVANE_API int XlsGetColWidth(int col);
CELVANE_API double XlsGetRowHeight(int row);
CELVANE_API int XlsGetSheetName(int sheet, char* buffer, int size);
CELVANE_API int XlsGetAttr(int number, AttrDesc* desc);
CELVANE_API int XlsGetFont(int number, char* name, int size, double* points, int* color, int* style,
                           int* underline);
CELVANE_API int XlsGetFormat(int index, char* buffer, int size);
CELVANE_API int XlsGetAttrCnt(int* xfCount, int* formatCount, int* fontCount);
CELVANE_API int XlsGetPageMode(int sheet, int* paper, int* scale, int* options, int* margins);
/* 1 for a BIFF8 book, 0 for BIFF5 or no current book. */
CELVANE_API int XlsGetVersion(void);

CELVANE_API int XlsGetErrorNo(int* number);
CELVANE_API int XlsSetErrorNo(int number);
/* The message of the current error number (empty for 0), at most size bytes. */
CELVANE_API int XlsGetErrorMessage(char* buffer, int size);
/* Switches the text code page of every text passed or returned: 932 (CP932, the
 * default) or 65001 (UTF-8). Error 34 for another value. */
CELVANE_API int XlsSetCodePage(int codePage);

/* Reference texts in one static 256-byte buffer, valid until the next call of either:
 * CELL("B2", 3, 1) = "B2_[3:1]"; POS(26, 0, 255, 65535) = "AA1:IV65536"
 * (col2 = -1: a single cell). */
CELVANE_API const char* CELL(const char* ref, int dc, int dr);
CELVANE_API const char* POS(int col, int row, int col2, int row2);

#ifdef __cplusplus
}
#endif

#endif /* CELVANE_H */
