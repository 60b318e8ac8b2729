#!/usr/bin/python3
"""Every report as a spreadsheet against its tab-delimited export, cell for cell.

kvl-cli writes both exports of each report over the sample books, in US English and in German;
the sheet must hold the titles, the column headers and then exactly the tsv's rows without their
page layout (page lines, repeated titles, section lines and headers, blank lines), with amounts
as numbers in the two-decimal thousands format, dates as dates, account and check numbers as
numbers, totals in bold. Usage: xlsx_readback_test.py --cli KVL-CLI
"""
import argparse
import datetime
import os
import re
import subprocess
import sys
import tempfile

import openpyxl

# Each report: its extra arguments, and its title lines and column header rows.
REPORTS = [
    ("expense-summary", [], 2, 2),
    ("income-summary", [], 2, 2),
    ("expense-detail", [], 2, 1),
    ("income-detail", [], 2, 1),
    ("expense-account-detail", ["--account", "5"], 2, 1),
    ("income-account-detail", ["--account", "1"], 2, 1),
    ("general-ledger", [], 2, 1),
    ("weekly-profit", [], 2, 2),
    ("monthly-profit", [], 2, 2),
    ("expense-chart", [], 1, 1),
    ("income-chart", [], 1, 1),
]
LOCALES = {
    "en_US.UTF-8": {"group": ",", "point": ".", "date": "{m:02}/{d:02}/{y:02}"},
    "de_DE.UTF-8": {"group": ".", "point": ",", "date": "{d:02}.{m:02}.{y:02}"},
}
PAGE = re.compile(r"^Page \d+\t")


def run(cli, args, env):
    done = subprocess.run([cli] + args, env=env, capture_output=True, text=True)
    if done.returncode != 0:
        raise AssertionError("kvl-cli %s: %s" % (" ".join(args), done.stderr))


def body_lines(lines, titles, headers):
    """The tsv's lines as the sheet keeps them, each with whether it is a section line; the first
    page's titles and headers apart."""
    first_titles = lines[2:2 + titles]
    header_at = 2 + titles + 3
    first_headers = lines[header_at:header_at + headers]
    out, section, i = [], None, 0
    while i < len(lines):
        line = lines[i]
        if PAGE.match(line):
            i += 2 + titles + 1
            candidate = lines[i]
            i += 1
            if lines[i:i + 1 + headers] == [""] + first_headers:
                i += 1 + headers
            if candidate and candidate != section:
                out.append((candidate, True))
                section = candidate
            continue
        if line and lines[i + 1:i + 2 + headers] == [""] + first_headers:
            # A section opened in mid-page: its line, a blank line and the headers.
            if line != section:
                out.append((line, True))
                section = line
            i += 2 + headers
            continue
        if line:
            out.append((line, False))
        i += 1
    return first_titles, first_headers, out


def cell_text(cell, locale):
    """The cell as the tsv writes it, and the kind of value it holds."""
    value = cell.value
    if isinstance(value, datetime.datetime):
        return "date", locale["date"].format(d=value.day, m=value.month, y=value.year % 100)
    if isinstance(value, (int, float)) and cell.number_format == "#,##0.00":
        cents = round(value * 100)
        whole = "{:,}".format(abs(cents) // 100).replace(",", locale["group"])
        text = whole + locale["point"] + "%02d" % (abs(cents) % 100)
        return "amount", ("-" if cents < 0 else "") + text
    if isinstance(value, int):
        return "number", str(value)
    return "text", str(value).strip()


def field_kind(text, locale):
    group, point = re.escape(locale["group"]), re.escape(locale["point"])
    if re.fullmatch(r"-?\d{1,3}(%s\d{3})*%s\d\d" % (group, point), text):
        return "amount"
    if re.fullmatch(r"\d\d[./]\d\d[./]\d\d", text):
        return "date"
    if re.fullmatch(r"-?\d+", text):
        return "number"
    return "text"


def compare(tsv_path, xlsx_path, titles, headers, locale, name):
    with open(tsv_path, encoding="utf-8", newline="") as f:
        lines = f.read().split("\r\n")
    first_titles, first_headers, body = body_lines(lines, titles, headers)
    rows = []
    for sheet in openpyxl.load_workbook(xlsx_path).worksheets:
        sheet_rows = [[c for c in row if c.value not in (None, "")] for row in sheet.iter_rows()]
        top = [[cell_text(c, locale)[1] for c in row] for row in sheet_rows[:titles + headers]]
        expected_top = [[f.strip() for f in line.split("\t") if f.strip()]
                        for line in first_titles + first_headers]
        assert top == expected_top, "%s: the sheet %s starts %s" % (name, sheet.title, top)
        assert all(c.font.b for row in sheet_rows[:titles + headers] for c in row), name
        rows += sheet_rows[titles + headers:]
    assert len(rows) == len(body), "%s: %d rows in the sheet, %d in the tsv" % (
        name, len(rows), len(body))
    for row, (line, section) in zip(rows, body):
        fields = [f.strip() for f in line.split("\t") if f.strip()]
        cells = [cell_text(c, locale) for c in row]
        expected = [(field_kind(f, locale), f) for f in fields]
        assert cells == expected, "%s: %s against the tsv's %s" % (name, cells, expected)
        bold = section or "total" in fields[0].lower()
        assert all(c.font.b == bold for c in row), (
            "%s: bold %s in %s" % (name, [c.font.b for c in row], fields))
    return len(rows)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--cli", required=True)
    args = parser.parse_args()
    today = datetime.date.today()
    period = ["--from", "%d-06-01" % (today.year - 1), "--through", today.isoformat()]
    with tempfile.TemporaryDirectory() as work:
        books = os.path.join(work, "books")
        run(args.cli, ["new", books, "--sample"], dict(os.environ))
        checked = 0
        for lang, locale in LOCALES.items():
            env = dict(os.environ, LC_ALL=lang, LANG=lang)
            for kind, extra, titles, headers in REPORTS:
                for folders in (["--folders", "all"], ["--folders", "2"]):
                    if kind.endswith("-chart"):
                        if folders[1] == "2":
                            continue
                        chosen = []
                    else:
                        chosen = period + folders
                    name = "%s %s %s" % (kind, " ".join(folders), lang)
                    base = os.path.join(work, "%s-%s" % (kind, folders[1]))
                    common = ["report", kind, "-d", books] + extra + chosen
                    run(args.cli, common + ["--format", "tsv", "--output", base + ".asc"], env)
                    run(args.cli, common + ["--format", "xlsx", "--output", base + ".xlsx"], env)
                    checked += compare(base + ".asc", base + ".xlsx", titles, headers, locale,
                                       name)
        print("%d sheet rows equal their tsv rows" % checked)


if __name__ == "__main__":
    try:
        main()
    except AssertionError as e:
        print(e, file=sys.stderr)
        sys.exit(1)
