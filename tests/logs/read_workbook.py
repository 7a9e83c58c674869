#!/usr/bin/env python3
"""Reads a workbook back with an independent reader and prints it as JSON.

.xls through xlrd (with formatting), .xlsx through openpyxl. For every cell: its type
("text", "number", "date", "blank"), its value (dates as "yyyy/mm/dd hh:mm:ss") and its
number format; per column: the width and the column's number format.
"""
import datetime
import json
import sys


def read_xls(path):
    import xlrd
    book = xlrd.open_workbook(path, formatting_info=True)
    sheet = book.sheet_by_index(0)

    def fmt(xf_index):
        return book.format_map[book.xf_list[xf_index].format_key].format_str

    cells = []
    for r in range(sheet.nrows):
        for c in range(sheet.ncols):
            cell = sheet.cell(r, c)
            if cell.ctype == xlrd.XL_CELL_EMPTY:
                continue
            kind = {xlrd.XL_CELL_TEXT: "text", xlrd.XL_CELL_NUMBER: "number",
                    xlrd.XL_CELL_DATE: "date", xlrd.XL_CELL_BLANK: "blank"}.get(cell.ctype, str(cell.ctype))
            value = cell.value
            if kind == "date":
                value = xlrd.xldate.xldate_as_datetime(value, book.datemode).strftime("%Y/%m/%d %H:%M:%S")
            cells.append({"row": r, "col": c, "type": kind, "value": value, "format": fmt(cell.xf_index)})
    columns = {}
    for c, info in sheet.colinfo_map.items():
        columns[c] = {"width": info.width / 256.0, "format": fmt(info.xf_index)}
    return {"sheet": sheet.name, "rows": sheet.nrows, "cells": cells, "columns": columns}


def read_xlsx(path):
    import openpyxl
    from openpyxl.utils import column_index_from_string
    book = openpyxl.load_workbook(path)
    sheet = book.worksheets[0]
    cells = []
    for row in sheet.iter_rows():
        for cell in row:
            if cell.value is None:
                continue
            value = cell.value
            if isinstance(value, datetime.datetime):
                kind, value = "date", value.strftime("%Y/%m/%d %H:%M:%S")
            elif isinstance(value, (int, float)):
                kind = "number"
            else:
                kind = "text"
            cells.append({"row": cell.row - 1, "col": cell.column - 1, "type": kind, "value": value,
                          "format": cell.number_format})
    columns = {}
    for letter, dim in sheet.column_dimensions.items():
        style = dim.number_format if hasattr(dim, "number_format") else "General"
        first = column_index_from_string(letter) - 1
        last = (dim.max or first + 1) - 1
        for c in range(first, last + 1):
            columns[c] = {"width": dim.width, "format": style}
    return {"sheet": sheet.title, "rows": sheet.max_row, "cells": cells, "columns": columns}


def main():
    path = sys.argv[1]
    data = read_xlsx(path) if path.lower().endswith(".xlsx") else read_xls(path)
    json.dump(data, sys.stdout, ensure_ascii=False)


if __name__ == "__main__":
    main()
