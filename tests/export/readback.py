#!/usr/bin/python3
"""Reads a workbook with xlrd and prints its cells as JSON:
{"sheets": [{"name", "nrows", "ncols", "cells": [[[type, value], ...], ...],
             "widths": {col: width}, "centred": [[...bool...]], "formats": [[...]]}], "commaNumbers": [...]}
Dates are [y, m, d, hh, mm, ss]; the first `limit` rows; .xlsx widths and centring from the package's XML."""
import functools
import json
import re
import sys
import xml.etree.ElementTree as ET
import zipfile

import xlrd

path = sys.argv[1]
limit = int(sys.argv[2]) if len(sys.argv) > 2 else 50
formatting = path.endswith(".xls")
book = xlrd.open_workbook(path, formatting_info=formatting)
types = {xlrd.XL_CELL_EMPTY: "empty", xlrd.XL_CELL_TEXT: "text", xlrd.XL_CELL_NUMBER: "number",
         xlrd.XL_CELL_DATE: "date", xlrd.XL_CELL_BLANK: "blank"}
out = {"sheets": []}


def read(cell):
    t = types.get(cell.ctype, str(cell.ctype))
    return [t, list(xlrd.xldate_as_tuple(cell.value, book.datemode)) if t == "date" else cell.value]


for sheet in book.sheets():
    rows, cols = range(min(sheet.nrows, limit)), range(sheet.ncols)
    xfs = [[book.xf_list[sheet.cell_xf_index(r, c)] for c in cols] for r in rows] if formatting else []  # .xls only
    out["sheets"].append({"name": sheet.name, "nrows": sheet.nrows, "ncols": sheet.ncols,
                          "cells": [[read(sheet.cell(r, c)) for c in cols] for r in rows],
                          "widths": {c: info.width for c, info in sheet.colinfo_map.items()} if formatting else {},
                          "centred": [[xf.alignment.hor_align == 2 for xf in row] for row in xfs],
                          "formats": [[book.format_map[xf.format_key].format_str for xf in row] for row in xfs]})
if path.endswith(".xlsx"):
    ns = "{http://schemas.openxmlformats.org/spreadsheetml/2006/main}"
    with zipfile.ZipFile(path) as z:
        # Numbers anywhere in the package's XML (cells, widths, margins) written with a decimal comma.
        out["commaNumbers"] = [m for name in z.namelist() if name.endswith(".xml")
                               for m in re.findall(r'="-?[0-9]+,[0-9]+"|>-?[0-9]+,[0-9]+<', z.read(name).decode())][:10]
        # Widths and centring: the column's style where a cell has none of its own.
        xfs = ET.fromstring(z.read("xl/styles.xml")).find(ns + "cellXfs")
        centredXf = [any(a.get("horizontal") == "center" for a in x.iter(ns + "alignment")) for x in xfs]
        for i, sheet in enumerate(out["sheets"]):
            colStyle, styles = {}, {}
            for _, e in ET.iterparse(z.open("xl/worksheets/sheet%d.xml" % (i + 1))):
                if e.tag == ns + "col":
                    for c in range(int(e.get("min")) - 1, int(e.get("max"))):
                        sheet["widths"][c] = float(e.get("width"))
                        colStyle[c] = int(e.get("style", 0))
                elif e.tag == ns + "c":
                    letters, row = re.match(r"([A-Z]+)([0-9]+)", e.get("r")).groups()
                    col = functools.reduce(lambda n, ch: n * 26 + ord(ch) - 64, letters, 0)
                    styles[(int(row) - 1, col - 1)] = int(e.get("s", 0))
                elif e.tag == ns + "row":
                    if int(e.get("r")) >= limit:
                        break
                    e.clear()
            sheet["centred"] = [[centredXf[styles.get((r, c), colStyle.get(c, 0))] for c in range(sheet["ncols"])]
                                for r in range(min(sheet["nrows"], limit))]
print(json.dumps(out))
