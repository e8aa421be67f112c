#!/usr/bin/python3
"""Reads a workbook with xlrd and prints its cells as JSON:
{"sheets": [{"name", "nrows", "ncols", "cells": [[[type, value], ...], ...],
             "widths": {col: width}, "centred": [[...bool...]], "formats": [[...]]}]}
Date cells are given as [y, m, d, hh, mm, ss]."""
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
print(json.dumps(out))
