"""The peer reader for the reading benchmark: opens BOOK with xlrd and reads either
COUNT cells at the positions of the same pseudo-random sequence as the benchmark
("random") or every cell ("all"). Prints the seconds taken, opening included."""
import sys
import time

import xlrd


def main(mode, path, count):
    t0 = time.perf_counter()
    book = xlrd.open_workbook(path, on_demand=False)
    sheet = book.sheet_by_index(0)
    total = 0.0
    if mode == "random":
        x = 12345
        for _ in range(count):
            x = (x * 1103515245 + 12345) & 0x7FFFFFFF
            r = x % sheet.nrows
            c = (x >> 12) % sheet.ncols
            v = sheet.cell_value(r, c)
            if isinstance(v, float):
                total += v
    else:
        for r in range(sheet.nrows):
            for v in sheet.row_values(r):
                if isinstance(v, float):
                    total += v
    print(time.perf_counter() - t0)


if __name__ == "__main__":
    main(sys.argv[1], sys.argv[2], int(sys.argv[3]) if len(sys.argv) > 3 else 0)
