"""Prints what a spreadsheet reader finds in an .xlsx file, one fact a line:
sheets, the frozen cell, then one line per cell: row, column, type, number
format and the value as JSON (tab-separated). Used by the xlsx tests."""
import json
import sys

import openpyxl

book = openpyxl.load_workbook(sys.argv[1])
print("sheets\t" + "\t".join(book.sheetnames))
sheet = book.worksheets[0]
print("freeze\t" + str(sheet.freeze_panes))
print("size\t%d\t%d" % (sheet.max_row, sheet.max_column))
for row in sheet.iter_rows():
    for cell in row:
        if cell.value is None:
            continue
        print("%d\t%d\t%s\t%s\t%s" % (cell.row, cell.column, cell.data_type, cell.number_format,
                                      json.dumps(cell.value, ensure_ascii=False)))
