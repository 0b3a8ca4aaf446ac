// Engine functions whose implementation comes with the reader, the sheet functions and
// template books. Until then each reports that it is not available in this build.
#include "internal.h"

using namespace celvane;

extern "C" {



int XM_ReadOpen(const char*) { return kErrUnavailable; }
int XM_ReadClose(int) { return kErrUnavailable; }
int XM_Read(int, int, int, int, int*, double*, char* text, int size) {
    if (text && size > 0) text[0] = '\0';
    return kErrUnavailable;
}
int XM_GetSheetName(int, int, char* name, int size) {
    if (name && size > 0) name[0] = '\0';
    return kErrUnavailable;
}
int XM_GetColWidth(int, int, int) { return kErrUnavailable; }
double XM_GetRowHeight(int, int, int) { return 0.0; }
int XM_GetMaxData(int, int, int* cols, int* rows) {
    if (cols) *cols = 0;
    if (rows) *rows = 0;
    return kErrUnavailable;
}

}  // extern "C"
