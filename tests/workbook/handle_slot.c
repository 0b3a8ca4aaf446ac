/* A C caller that keeps each book handle in a 32-bit slot between two guard words, as a
 * binding that declares the handle as a 32-bit integer does. Creating, opening and
 * reading a book must write the slot and nothing beside it, and the value kept there
 * must select the book again. Usage: handle_slot OUTDIR */
#include <celvane.h>

#include <stdint.h>
#include <stdio.h>

#define GUARD 0x5A5A5A5Au

_Static_assert(sizeof(BookHandle) == 4, "a book handle is 32 bits wide");

struct Slot {
    uint32_t before;
    int32_t handle;
    uint32_t after;
};

static int failures = 0;

static void expect(int ok, const char* what) {
    if (!ok) {
        fprintf(stderr, "failed: %s\n", what);
        ++failures;
    }
}

static void checkGuards(const struct Slot* s, const char* what) {
    if (s->before != GUARD || s->after != GUARD) {
        fprintf(stderr, "%s: guard words now %08X %08X\n", what, (unsigned)s->before, (unsigned)s->after);
        ++failures;
    }
}

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    char path[1024], copy[1024];
    snprintf(path, sizeof path, "%s/slot.xls", argv[1]);
    snprintf(copy, sizeof copy, "%s/slot-copy.xls", argv[1]);

    struct Slot created = {GUARD, 0, GUARD};
    expect(XlsCreateBook(path, 97, 1, (BookHandle*)&created.handle), "create");
    checkGuards(&created, "XlsCreateBook");
    expect(created.handle != 0, "created handle");
    expect(XlsPutLong(41, "A1"), "write");
    expect(XlsCloseBook(1), "store");

    struct Slot edited = {GUARD, 0, GUARD};
    expect(XlsOpenBook(copy, path, (BookHandle*)&edited.handle), "open for editing");
    checkGuards(&edited, "XlsOpenBook");

    struct Slot reading = {GUARD, 0, GUARD};
    expect(XlsReadBook(path, (BookHandle*)&reading.handle), "open for reading");
    checkGuards(&reading, "XlsReadBook");
    expect(reading.handle != edited.handle, "distinct handles");

    /* The values kept in the slots select their books. */
    expect(XlsSelectBook((BookHandle)edited.handle), "select the edited book");
    expect(XlsPutLong(42, "A2"), "write to the edited book");
    expect(XlsCloseBook(1), "store the edited book");
    expect(XlsSelectBook((BookHandle)reading.handle), "select the reading book");
    int value = 0;
    expect(XlsGetLong(&value, "A1") && value == 41, "read through the kept handle");
    expect(XlsCloseBook(1), "close the reading book");
    expect(!XlsSelectBook((BookHandle)reading.handle), "closed handle refused");

    return failures ? 1 : 0;
}
