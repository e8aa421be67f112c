#!/usr/bin/python3
"""Reads a workbook with xlrd and prints its cells as JSON:
{"sheets": [{"name", "nrows", "ncols", "cells": [[[type, value], ...], ...],
             "widths": {col: width}, "centred": [[...bool...]], "formats": [[...]]}]}
Date cells are given as [y, m, d, hh, mm, ss]. The first `limit` rows of each
sheet are given; "formats" for .xls only (xlrd reads no .xlsx formatting:
its widths and centring come from the package's XML)."""
import json
import sys

import xlrd

path = sys.argv[1]
limit = int(sys.argv[2]) if len(sys.argv) > 2 else 50
formatting = path.endswith(".xls")
book = xlrd.open_workbook(path, formatting_info=formatting)
types = {xlrd.XL_CELL_EMPTY: "empty", xlrd.XL_CELL_TEXT: "text", xlrd.XL_CELL_NUMBER: "number",
         xlrd.XL_CELL_DATE: "date", xlrd.XL_CELL_BLANK: "blank"}
out = {"sheets": []}
for sheet in book.sheets():
    cells, centred, formats = [], [], []
    for r in range(min(sheet.nrows, limit)):
        row, crow, frow = [], [], []
        for c in range(sheet.ncols):
            cell = sheet.cell(r, c)
            t = types.get(cell.ctype, str(cell.ctype))
            v = cell.value
            if t == "date":
                v = list(xlrd.xldate_as_tuple(v, book.datemode))
            row.append([t, v])
            if formatting:
                xf = book.xf_list[sheet.cell_xf_index(r, c)]
                crow.append(xf.alignment.hor_align == 2)
                frow.append(book.format_map[xf.format_key].format_str)
        cells.append(row)
        centred.append(crow)
        formats.append(frow)
    widths = {}
    if formatting:
        for c, info in sheet.colinfo_map.items():
            widths[c] = info.width
    out["sheets"].append({"name": sheet.name, "nrows": sheet.nrows, "ncols": sheet.ncols, "cells": cells,
                          "widths": widths, "centred": centred, "formats": formats})
if path.endswith(".xlsx"):
    # Numbers anywhere in the package's XML (cells, widths, margins) written
    # with a decimal comma.
    import re
    import zipfile
    found = []
    with zipfile.ZipFile(path) as z:
        for name in z.namelist():
            if name.endswith(".xml"):
                found += re.findall(r'="-?[0-9]+,[0-9]+"|>-?[0-9]+,[0-9]+<', z.read(name).decode("utf-8"))
    out["commaNumbers"] = found[:10]

    # Widths and centring: the column's style where a cell has none of its own.
    import xml.etree.ElementTree as ET
    ns = "{http://schemas.openxmlformats.org/spreadsheetml/2006/main}"
    with zipfile.ZipFile(path) as z:
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
                    letters = re.match(r"[A-Z]+", e.get("r")).group(0)
                    col = 0
                    for ch in letters:
                        col = col * 26 + ord(ch) - 64
                    styles[(int(e.get("r")[len(letters):]) - 1, col - 1)] = int(e.get("s", 0))
                elif e.tag == ns + "row":
                    if int(e.get("r")) >= limit:
                        break
                    e.clear()
            sheet["centred"] = [[centredXf[styles.get((r, c), colStyle.get(c, 0))] for c in range(sheet["ncols"])]
                                for r in range(min(sheet["nrows"], limit))]
print(json.dumps(out))
