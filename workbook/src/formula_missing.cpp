// Built only while the formula compiler is absent from the tree: the formula entry
// points then report that formulas are not available.
#include "internal.h"

using namespace celvane;

extern "C" {

int XM_WriteFunc3(int, int, int, int, const char*, int, const FormulaResult*) { return kErrUnavailable; }
int XM_SetRefSheet(int, int, const char*) { return kErrUnavailable; }

}  // extern "C"
