#!/usr/bin/python3
"""Write the spreadsheet template of the pipe list: one sheet "Form" with the
project number, column heads and ten rows of placeholders (%NN%field).
    pipelist_template.py OUTPUT.xlsx"""
import sys

import openpyxl
from openpyxl.styles import Font

wb = openpyxl.Workbook()
ws = wb.active
ws.title = "Form"
ws["A1"] = "Pipe list"
ws["A1"].font = Font(bold=True, size=14)
ws["C1"] = "%01%pron"
for column, title in zip("ABCD", ("Pos", "Axis", "Length", "Legs")):
    ws[column + "3"] = title
    ws[column + "3"].font = Font(bold=True)
for row in range(1, 11):
    for column, field in zip("ABCD", ("posn", "axis", "leng", "legs")):
        ws["%s%d" % (column, row + 3)] = "%%%02d%%%s" % (row, field)
ws.column_dimensions["D"].width = 20
wb.save(sys.argv[1])
