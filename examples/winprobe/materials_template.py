#!/usr/bin/python3
"""Write the material-list template the spreadsheet export fills: one sheet
"Form" with a heading and two rows of placeholders (%NN%field).
    materials_template.py OUTPUT.xlsx"""
import sys

import openpyxl
from openpyxl.styles import Font

wb = openpyxl.Workbook()
ws = wb.active
ws.title = "Form"
ws["A1"] = "Material list"
ws["A1"].font = Font(bold=True, size=14)
for column, title in zip("ABCD", ("Pos", "Description", "Weight (kg)", "Date")):
    ws[column + "3"] = title
    ws[column + "3"].font = Font(bold=True)
for row in (1, 2):
    for column, field in zip("ABCD", ("pos", "text", "weight", "date")):
        ws["%s%d" % (column, row + 3)] = "%%%02d%%%s" % (row, field)
ws.column_dimensions["B"].width = 30
wb.save(sys.argv[1])
