// Expands the tokens of a shared formula (SHRFMLA record) into the tokens of one cell's
// own FORMULA record.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "formula/formula.h"

namespace celvane::formula {

// Rewrites the tokens of a shared formula for the cell at (row, col): relative
// references (tRefN, tAreaN) become ordinary references (tRef, tArea) of the same class
// whose relative parts are the cell's position plus the stored offsets, wrapping around
// the sheet (rows modulo 16384 in BIFF5 and 65536 in BIFF8, columns modulo 256). Every
// other token is copied byte for byte, and no token changes size, so jump offsets in
// tAttr tokens stay valid.
//
// `tokens` is the whole token part of the record: `cce` bytes of tokens followed by any
// additional data (array constants), which is copied unchanged. `out` receives the
// rewritten tokens followed by that data; its first `cce` bytes are the tokens.
//
// Returns false, leaving `out` empty, when the tokens cannot be walked or not used: no
// tokens at all, an unknown token, a token running past `cce`, `cce` larger than
// `tokens`, a tExp or tTbl token, a 3D reference with a relative part (not rebased), or a
// cell position outside the sheet.
bool expandSharedFormula(std::string_view tokens, std::size_t cce, BiffVersion v, int row,
                         int col, std::string& out);

}  // namespace celvane::formula
