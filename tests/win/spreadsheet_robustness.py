#!/usr/bin/python3
"""The spreadsheet program against arbitrary input: command texts and DDE
frames made of random pieces are carried out or refused, never crash it.
    spreadsheet_robustness.py PROGRAM"""
import importlib.machinery
import importlib.util
import os
import random
import sys
import tempfile

loader = importlib.machinery.SourceFileLoader("spreadsheet", sys.argv[1])
spec = importlib.util.spec_from_loader("spreadsheet", loader)
sheet_module = importlib.util.module_from_spec(spec)
loader.exec_module(sheet_module)

import openpyxl  # noqa: E402

PIECES = ['[', ']', '(', ')', ',', '"', '""', 'SELECT', 'FORMULA', 'FORMULA.REPLACE', 'CLEAR', 'SAVE',
          'WORKBOOK.COPY', 'WORKBOOK.NAME', 'WORKBOOK.MOVE', 'WORKBOOK.ACTIVATE', 'OPTIONS.VIEW',
          'OPTIONS.GENERAL', 'open', 'R1C1', 'R100C1', 'R0C0', 'A1:B2', 'Sheet', 'Sheet (2)', '%*', '~*',
          '12,5', 'TRUE', '1', '2', '99', '-', ' ', 'x', 'book.xlsx', ':', '*', '?']


def main():
    rng = random.Random(21)
    folder = tempfile.mkdtemp()
    local = os.path.join(folder, "book.xlsx")
    openpyxl.Workbook().save(local)
    failures = 0
    for round_ in range(3000):
        s = sheet_module.Spreadsheet(",")
        wb = openpyxl.load_workbook(local) if round_ % 50 == 0 or round_ == 0 else wb_cache
        wb_cache = wb
        book = {"path": "C:\\book.xlsx", "local": local, "wb": wb}
        s.books.append(book)
        s.active = book
        text = "".join(rng.choice(PIECES) for _ in range(rng.randrange(12)))
        if round_ % 7 == 0:
            text = "".join(chr(rng.randrange(256)) for _ in range(rng.randrange(20)))
        try:
            s.execute(text.encode("cp1252", errors="replace"))
        except sheet_module.Refused:
            pass
        except Exception as e:  # anything else is a fault of the program
            print("crash on %r: %r" % (text, e))
            failures += 1
        data = bytes(rng.randrange(256) for _ in range(rng.randrange(24)))
        try:
            frame, rest = sheet_module.decode_frame(data)
            assert frame is None or len(rest) < len(data)
        except ValueError:
            pass
    print("%d passed, %d failed" % (3000 - failures, failures))
    return 1 if failures else 0


sys.exit(main())
