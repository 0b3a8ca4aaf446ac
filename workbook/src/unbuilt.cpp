// Engine functions whose implementation comes with the reader, the sheet functions and
// template books. Until then each reports that it is not available in this build.
#include "internal.h"

using namespace celvane;

extern "C" {

int XM_CreateT(const char*, const char*) { return kErrUnavailable; }
int XM_Open(const char*, const char*) { return kErrUnavailable; }
int XM_OpenClose(int) { return kErrUnavailable; }

int XM_SheetName(int, int, const char*) { return kErrUnavailable; }
int XM_SetAddSheet(int, int) { return kErrUnavailable; }
int XM_SetDelSheet(int, int, int) { return kErrUnavailable; }
int XM_SetGridMode(int, int, int) { return kErrUnavailable; }
int XM_SetPageMode(int, int, int, int, int, double, double) { return kErrUnavailable; }

}  // extern "C"
