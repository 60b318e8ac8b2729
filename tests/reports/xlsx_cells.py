#!/usr/bin/python3
"""Prints a workbook's cells as the tests compare them: "== NAME" before each sheet, then a line
a row of tab-separated cells, each "n:" a number, "d:" a date (YYYY-MM-DD), "s:" a text, or
empty; a bold cell starts with "*", and an amount cell (two-decimal thousands format) is "a:"."""
import datetime
import sys

import openpyxl


def cell_text(cell):
    value = cell.value
    if value is None:
        return ""
    mark = "*" if cell.font is not None and cell.font.b else ""
    if isinstance(value, datetime.datetime):
        return mark + "d:" + value.date().isoformat()
    if isinstance(value, (int, float)):
        kind = "a:" if cell.number_format == "#,##0.00" else "n:"
        if kind == "a:":
            return mark + kind + "%.2f" % value
        return mark + kind + ("%d" % value if float(value).is_integer() else repr(value))
    return mark + "s:" + str(value)


def main():
    book = openpyxl.load_workbook(sys.argv[1])
    for sheet in book.worksheets:
        print("== " + sheet.title)
        for row in sheet.iter_rows():
            print("\t".join(cell_text(c) for c in row).rstrip("\t"))


if __name__ == "__main__":
    main()
