#!/usr/bin/python3
"""The spreadsheet program of the simulated machine: it answers DDE as
service "Excel", topic "system", and keeps real .xlsx workbooks through
openpyxl. It executes the macro commands the add-in sends, exactly as
written, and refuses any other command with a failed transaction.

    spreadsheet [/e] [BOOK ...]   serve DDE until the desktop that started it ends
    spreadsheet --dump BOOK       print the sheets and non-empty cells of BOOK

Paths are platform paths (C:\\dir\\book.xlsx, \\\\server\\share\\x), mapped
as the host maps them: _HOST_DRIVE_<X> and _HOST_NETWORK from the
environment. Typed values read numbers with the decimal separator of
_HOST_DECIMAL_SEPARATOR (default ",").
"""

import copy
import os
import re
import select
import socket
import struct
import sys

SERVICE = "EXCEL"
TOPIC = "SYSTEM"
FRAME_MAX = 1 << 20
COMMAND_MAX = 1 << 16
POLL_SECONDS = 0.5


class Refused(Exception):
    """A command the program will not carry out; the text says why."""


# ---- Platform paths ---------------------------------------------------------

def _resolve_case(local):
    """LOCAL as it exists on disk, components matched without case."""
    if not local or os.path.exists(local):
        return local
    parts = [p for p in local.split("/") if p]
    out = "/" if local.startswith("/") else ""
    matching = True
    for k, part in enumerate(parts):
        candidate = out + part
        if matching and not os.path.exists(candidate):
            found = None
            try:
                names = sorted(os.listdir(out or "."))
            except OSError:
                names = []
            for n in names:
                if n.lower() == part.lower():
                    found = n
                    break
            if found is None:
                matching = False
            else:
                part = found
        out += part
        if k + 1 < len(parts):
            out += "/"
    return out


def local_path(platform, depth=0):
    """The local path of a platform path; "" when its drive is not mapped."""
    p = platform.replace("\\", "/")
    if len(p) > 2 and p.startswith("//") and p[2] != "/":
        network = os.environ.get("_HOST_NETWORK", "")
        if not network:
            return ""
        root = network.replace("\\", "/").rstrip("/") + "/"
        return _resolve_case(root + p[2:])
    if len(p) >= 2 and p[1] == ":" and p[0].isalpha():
        root = os.environ.get("_HOST_DRIVE_" + p[0].upper(), "")
        if not root:
            return ""
        root = root.replace("\\", "/")
        if not root.endswith("/"):
            root += "/"
        rest = p[2:].lstrip("/")
        if root.startswith("//"):
            return local_path(root + rest, depth + 1) if depth < 4 else ""
        os.makedirs(root, exist_ok=True)
        return _resolve_case(root + rest)
    if p.startswith(":/"):
        p = p[1:]
    return _resolve_case(p)


# ---- Commands ---------------------------------------------------------------

_NAME = re.compile(r"[A-Za-z][A-Za-z0-9._]*")
_NUMBER = re.compile(r"[+-]?(\d+(\.\d*)?|\.\d+)([eE][+-]?\d+)?")


def parse_commands(text):
    """[NAME(arg,...)][...] as a list of (NAME upper-case, [args]). An
    argument is a text (quotes doubled inside), a number, TRUE, FALSE or
    nothing (None). Raises Refused on anything else."""
    commands = []
    i, n = 0, len(text)
    while True:
        while i < n and text[i] in " \t\r\n":
            i += 1
        if i >= n:
            break
        if text[i] != "[":
            raise Refused("a command starts with '['")
        i += 1
        m = _NAME.match(text, i)
        if not m:
            raise Refused("a command name expected")
        name = m.group(0).upper()
        i = m.end()
        args = []
        if i < n and text[i] == "(":
            i += 1
            while True:
                while i < n and text[i] in " \t":
                    i += 1
                if i < n and text[i] == '"':
                    value, i = _quoted(text, i)
                else:
                    start = i
                    while i < n and text[i] not in ",)":
                        i += 1
                    value = _literal(text[start:i].strip())
                args.append(value)
                while i < n and text[i] in " \t":
                    i += 1
                if i < n and text[i] == ",":
                    i += 1
                    continue
                if i < n and text[i] == ")":
                    i += 1
                    break
                raise Refused("')' expected after the arguments of " + name)
            if args == [None]:
                args = []
        if i >= n or text[i] != "]":
            raise Refused("']' expected after " + name)
        i += 1
        commands.append((name, args))
    if not commands:
        raise Refused("no command")
    return commands


def _quoted(text, i):
    out = []
    i += 1
    while i < len(text):
        if text[i] == '"':
            if i + 1 < len(text) and text[i + 1] == '"':
                out.append('"')
                i += 2
                continue
            return "".join(out), i + 1
        out.append(text[i])
        i += 1
    raise Refused("a text does not end")


def _literal(word):
    if word == "":
        return None
    upper = word.upper()
    if upper in ("TRUE", "FALSE"):
        return upper == "TRUE"
    if _NUMBER.fullmatch(word):
        number = float(word)
        return int(number) if number.is_integer() and "." not in word and "e" not in word.lower() else number
    raise Refused("not an argument: " + word)


_R1C1 = re.compile(r"R(\d+)C(\d+)", re.IGNORECASE)
_A1 = re.compile(r"\$?([A-Za-z]{1,3})\$?(\d+)")


def parse_reference(text):
    """"R1C1", "A1" or a range of two of them as (row1, col1, row2, col2)."""
    corners = []
    for part in text.split(":"):
        part = part.strip()
        m = _R1C1.fullmatch(part)
        if m:
            corners.append((int(m.group(1)), int(m.group(2))))
            continue
        m = _A1.fullmatch(part)
        if m:
            column = 0
            for ch in m.group(1).upper():
                column = column * 26 + ord(ch) - 64
            corners.append((int(m.group(2)), column))
            continue
        raise Refused("not a reference: " + text)
    if len(corners) not in (1, 2):
        raise Refused("not a reference: " + text)
    (r1, c1), (r2, c2) = corners[0], corners[-1]
    r1, r2 = sorted((r1, r2))
    c1, c2 = sorted((c1, c2))
    if r1 < 1 or c1 < 1 or r2 > 1048576 or c2 > 16384:
        raise Refused("outside the sheet: " + text)
    return (r1, c1, r2, c2)


def _wildcard(find, whole, match_case):
    """The expression of a find text with * ? and ~ as the spreadsheet reads them."""
    out = []
    i = 0
    while i < len(find):
        c = find[i]
        if c == "~" and i + 1 < len(find) and find[i + 1] in "*?~":
            out.append(re.escape(find[i + 1]))
            i += 2
            continue
        out.append(".*" if c == "*" else "." if c == "?" else re.escape(c))
        i += 1
    pattern = "".join(out)
    if whole:
        pattern = "^" + pattern + "$"
    return re.compile(pattern, re.DOTALL | (0 if match_case else re.IGNORECASE))


def _sheet_name_ok(name):
    return 0 < len(name) <= 31 and not any(c in name for c in "[]:*?/\\")


class Spreadsheet:
    """Open workbooks, the active one, and the selection of each sheet."""

    def __init__(self, separator):
        self.books = []          # dicts: path (platform), local, wb
        self.active = None
        self.selection = {}      # id(worksheet) -> (r1, c1, r2, c2)
        self.reference_style = 1
        self.view = {}
        self.separator = separator

    # -- helpers
    def _book(self, name):
        wanted = name.replace("/", "\\").lower()
        for b in self.books:
            path = b["path"].replace("/", "\\").lower()
            if wanted == path or wanted == path.rsplit("\\", 1)[-1]:
                return b
        raise Refused("no open workbook " + name)

    def _need_book(self):
        if self.active is None:
            raise Refused("no workbook is open")
        return self.active

    @staticmethod
    def _sheet(book, name):
        for ws in book["wb"].worksheets:
            if ws.title.lower() == name.lower():
                return ws
        raise Refused("no sheet " + name)

    def _active_sheet(self):
        return self._need_book()["wb"].active

    def _sel(self, ws):
        return self.selection.get(id(ws), (1, 1, 1, 1))

    def typed(self, text):
        """TEXT as the user typing it would enter it: a number, a formula or text."""
        if text is None or text == "":
            return None
        if text.startswith("="):
            return text
        candidate = text.strip()
        if self.separator != ".":
            if "." in candidate:
                return text
            candidate = candidate.replace(self.separator, ".")
        if _NUMBER.fullmatch(candidate):
            number = float(candidate)
            return int(number) if number.is_integer() and "." not in candidate and "e" not in candidate.lower() else number
        return text

    @staticmethod
    def _args(name, args, least, most):
        if not least <= len(args) <= most:
            raise Refused("%s takes %d to %d arguments" % (name, least, most))
        return list(args) + [None] * (most - len(args))

    @staticmethod
    def _text(name, value):
        if not isinstance(value, str):
            raise Refused(name + " wants a text")
        return value

    # -- the commands
    def run(self, name, args):
        handler = self.COMMANDS.get(name)
        if handler is None:
            raise Refused("unknown command " + name)
        handler(self, name, args)

    def cmd_open(self, name, args):
        path = self._text(name, self._args(name, args, 1, 13)[0])
        import openpyxl
        for b in self.books:
            if b["path"].lower() == path.lower():
                self.active = b
                return
        local = local_path(path)
        if not local or not os.path.isfile(local):
            raise Refused("cannot find " + path)
        try:
            wb = openpyxl.load_workbook(local)
        except Exception as e:  # a file openpyxl cannot read is refused, whatever the reason
            raise Refused("cannot open %s: %s" % (path, e))
        book = {"path": path, "local": local, "wb": wb}
        self.books.append(book)
        self.active = book

    def cmd_options_general(self, name, args):
        style = self._args(name, args, 0, 13)[0]
        if style not in (None, 1, 2):
            raise Refused("the reference style is 1 or 2")
        if style is not None:
            self.reference_style = style

    VIEW_ARGUMENTS = 15

    def cmd_options_view(self, name, args):
        values = self._args(name, args, 0, self.VIEW_ARGUMENTS)
        for k, v in enumerate(values):
            if v is None:
                continue
            if not isinstance(v, (bool, int)):
                raise Refused("OPTIONS.VIEW takes logical values and numbers")
            self.view[k + 1] = v
        book = self.active
        if book is None:
            return
        # What the file keeps of them: gridlines (8), headers (10), zeros (12), sheet tabs (15).
        for ws in book["wb"].worksheets:
            if 8 in self.view:
                ws.sheet_view.showGridLines = bool(self.view[8])
            if 10 in self.view:
                ws.sheet_view.showRowColHeaders = bool(self.view[10])
            if 12 in self.view:
                ws.sheet_view.showZeros = bool(self.view[12])
        if 15 in self.view and book["wb"].views:
            book["wb"].views[0].showSheetTabs = bool(self.view[15])

    def _unique_copy_name(self, wb, base):
        n = 2
        while any(ws.title.lower() == ("%s (%d)" % (base, n)).lower() for ws in wb.worksheets):
            n += 1
        return "%s (%d)" % (base, n)

    @staticmethod
    def _copy_across(source, target_wb, title):
        target = target_wb.create_sheet(title)
        for row in source.iter_rows():
            for cell in row:
                if cell.value is None and not cell.has_style:
                    continue
                new = target.cell(row=cell.row, column=cell.column, value=cell.value)
                if cell.has_style:
                    new.font = copy.copy(cell.font)
                    new.border = copy.copy(cell.border)
                    new.fill = copy.copy(cell.fill)
                    new.number_format = cell.number_format
                    new.protection = copy.copy(cell.protection)
                    new.alignment = copy.copy(cell.alignment)
        for key, dim in source.column_dimensions.items():
            target.column_dimensions[key].width = dim.width
        for key, dim in source.row_dimensions.items():
            target.row_dimensions[key].height = dim.height
        for merged in source.merged_cells.ranges:
            target.merge_cells(str(merged))
        return target

    def _place(self, wb, ws, position):
        """Put WS at POSITION (1-based; None: last) among WB's sheets."""
        sheets = wb._sheets
        sheets.remove(ws)
        index = len(sheets) if position is None else max(0, min(len(sheets), int(position) - 1))
        sheets.insert(index, ws)

    def cmd_workbook_copy(self, name, args):
        sheet, book, position = self._args(name, args, 1, 3)
        source_book = self._need_book()
        ws = self._sheet(source_book, self._text(name, sheet))
        target_book = self._book(self._text(name, book)) if book is not None else source_book
        wb = target_book["wb"]
        title = self._unique_copy_name(wb, ws.title) if any(
            s.title.lower() == ws.title.lower() for s in wb.worksheets) else ws.title
        if target_book is source_book:
            new = wb.copy_worksheet(ws)
            new.title = title
        else:
            new = self._copy_across(ws, wb, title)
        self._place(wb, new, position)
        self.active = target_book
        wb.active = wb.worksheets.index(new)

    def cmd_workbook_activate(self, name, args):
        sheet = self._text(name, self._args(name, args, 1, 2)[0])
        book = self._need_book()
        ws = self._sheet(book, sheet)
        book["wb"].active = book["wb"].worksheets.index(ws)

    def cmd_workbook_name(self, name, args):
        old, new = self._args(name, args, 2, 2)
        book = self._need_book()
        ws = self._sheet(book, self._text(name, old))
        new = self._text(name, new)
        if not _sheet_name_ok(new):
            raise Refused("not a sheet name: " + new)
        if any(s is not ws and s.title.lower() == new.lower() for s in book["wb"].worksheets):
            raise Refused("a sheet is already named " + new)
        ws.title = new

    def cmd_workbook_move(self, name, args):
        sheet, book, position = self._args(name, args, 1, 3)
        source_book = self._need_book()
        ws = self._sheet(source_book, self._text(name, sheet))
        target_book = self._book(self._text(name, book)) if book is not None else source_book
        if target_book is source_book:
            self._place(source_book["wb"], ws, position)
            return
        if len(source_book["wb"].worksheets) == 1:
            raise Refused("a workbook keeps at least one sheet")
        title = ws.title if not any(s.title.lower() == ws.title.lower() for s in target_book["wb"].worksheets) \
            else self._unique_copy_name(target_book["wb"], ws.title)
        new = self._copy_across(ws, target_book["wb"], title)
        self._place(target_book["wb"], new, position)
        source_book["wb"].remove(ws)

    def cmd_select(self, name, args):
        ref = self._text(name, self._args(name, args, 1, 2)[0])
        ws = self._active_sheet()
        self.selection[id(ws)] = parse_reference(ref)

    def cmd_formula(self, name, args):
        text, ref = self._args(name, args, 1, 2)
        if isinstance(text, bool):
            text = "TRUE" if text else "FALSE"
        elif isinstance(text, (int, float)):
            text = str(text)
        ws = self._active_sheet()
        r, c = (parse_reference(self._text(name, ref))[:2] if ref is not None else self._sel(ws)[:2])
        ws.cell(row=r, column=c).value = self.typed(text)

    def cmd_formula_replace(self, name, args):
        find, replace, look_at, _look_by, _active_cell, match_case = self._args(name, args, 2, 8)[:6]
        find = self._text(name, find)
        replace = self._text(name, replace) if replace is not None else ""
        if find == "":
            raise Refused("nothing to find")
        pattern = _wildcard(find, look_at == 1, bool(match_case))
        ws = self._active_sheet()
        r1, c1, r2, c2 = self._sel(ws)
        whole_sheet = r1 == r2 and c1 == c2
        for row in ws.iter_rows():
            for cell in row:
                if not isinstance(cell.value, str):
                    continue
                if not whole_sheet and not (r1 <= cell.row <= r2 and c1 <= cell.column <= c2):
                    continue
                new = pattern.sub(lambda _m: replace, cell.value)
                if new != cell.value:
                    cell.value = self.typed(new)

    def cmd_clear(self, name, args):
        kind = self._args(name, args, 0, 1)[0]
        kind = 1 if kind is None else kind
        if kind not in (1, 2, 3, 4):
            raise Refused("CLEAR takes 1 (all), 2 (formats), 3 (contents) or 4 (notes)")
        ws = self._active_sheet()
        r1, c1, r2, c2 = self._sel(ws)
        for (r, c) in [key for key in list(ws._cells) if r1 <= key[0] <= r2 and c1 <= key[1] <= c2]:
            cell = ws.cell(row=r, column=c)
            if kind in (1, 3):
                cell.value = None
            if kind in (1, 2):
                cell.style = "Normal"
            if kind in (1, 4):
                cell.comment = None

    def cmd_save(self, name, args):
        self._args(name, args, 0, 0)
        book = self._need_book()
        wb = book["wb"]
        active = wb.active
        for ws in wb.worksheets:
            ws.sheet_view.tabSelected = ws is active
        try:
            wb.save(book["local"])
        except Exception as e:  # a file that cannot be written is refused, whatever the reason
            raise Refused("cannot save %s: %s" % (book["path"], e))

    COMMANDS = {
        "OPEN": cmd_open,
        "OPTIONS.GENERAL": cmd_options_general,
        "OPTIONS.VIEW": cmd_options_view,
        "WORKBOOK.COPY": cmd_workbook_copy,
        "WORKBOOK.ACTIVATE": cmd_workbook_activate,
        "WORKBOOK.NAME": cmd_workbook_name,
        "WORKBOOK.MOVE": cmd_workbook_move,
        "SELECT": cmd_select,
        "FORMULA": cmd_formula,
        "FORMULA.REPLACE": cmd_formula_replace,
        "CLEAR": cmd_clear,
        "SAVE": cmd_save,
    }

    def execute(self, payload):
        """Carry out the command bytes of one execute transaction; raises
        Refused when one of them fails (those before it stay done)."""
        text = payload.rstrip(b"\0")
        if len(text) > COMMAND_MAX or b"\0" in text:
            raise Refused("not a command text")
        for name, args in parse_commands(text.decode("cp1252", errors="replace")):
            self.run(name, args)


# ---- DDE ---------------------------------------------------------------------

def encode_frame(kind, transaction, payload=b""):
    return struct.pack("<IcI", 5 + len(payload), kind, transaction) + payload


def decode_frame(buffer):
    """(frame, rest) with frame (kind, transaction, payload) or None when
    more bytes are needed; raises ValueError for what can be no frame."""
    if len(buffer) < 4:
        return None, buffer
    (length,) = struct.unpack_from("<I", buffer)
    if length < 5 or length > FRAME_MAX:
        raise ValueError("bad frame length")
    if len(buffer) >= 5 and buffer[4:5] not in (b"C", b"E", b"R", b"P", b"D", b"A", b"N"):
        raise ValueError("bad frame kind")
    if len(buffer) < 4 + length:
        return None, buffer
    kind, transaction = struct.unpack_from("<cI", buffer, 4)
    return (kind, transaction, buffer[9:4 + length]), buffer[4 + length:]


class Conversation:
    def __init__(self, sock):
        self.sock = sock
        self.inbox = b""
        self.connected = False


def answer(conversation, frame, sheet):
    """The answer frame to one client frame, or None to end the conversation."""
    kind, transaction, payload = frame
    if kind == b"D":
        return None
    if not conversation.connected:
        if kind == b"C" and payload.decode("cp1252", errors="replace").upper() == TOPIC:
            conversation.connected = True
            return encode_frame(b"A", transaction)
        return encode_frame(b"N", transaction, b"unknown topic")
    if kind == b"E":
        try:
            sheet.execute(payload)
        except Refused as e:
            return encode_frame(b"N", transaction, str(e).encode("cp1252", errors="replace"))
        return encode_frame(b"A", transaction)
    return encode_frame(b"N", transaction, b"this server answers execute transactions only")


def desktop_alive(desktop):
    try:
        os.kill(int(desktop), 0)
        return True
    except (ValueError, ProcessLookupError):
        return False
    except PermissionError:
        return True


def serve(initial):
    desktop = os.environ.get("_HOST_DESKTOP", "")
    sheet = Spreadsheet(os.environ.get("_HOST_DECIMAL_SEPARATOR", ",") or ",")
    listener = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
    try:
        listener.bind(("\0simwin-dde/%s/%s" % (desktop, SERVICE)).encode())
    except OSError:
        return 0  # the service is already registered on this desktop: that program serves
    listener.listen(8)
    for path in initial:
        try:
            sheet.cmd_open("OPEN", [path])
        except Refused as e:
            print("spreadsheet: %s" % e, file=sys.stderr)
    conversations = {}
    while desktop_alive(desktop):
        readable, _, _ = select.select([listener] + list(conversations), [], [], POLL_SECONDS)
        for sock in readable:
            if sock is listener:
                client, _ = listener.accept()
                conversations[client] = Conversation(client)
                continue
            c = conversations[sock]
            try:
                data = sock.recv(65536)
            except OSError:
                data = b""
            ended = not data
            c.inbox += data
            while not ended:
                try:
                    frame, c.inbox = decode_frame(c.inbox)
                except ValueError:
                    ended = True
                    break
                if frame is None:
                    break
                reply = answer(c, frame, sheet)
                if reply is None:
                    ended = True
                    break
                try:
                    sock.sendall(reply)
                except OSError:
                    ended = True
            if ended:
                sock.close()
                del conversations[sock]
    return 0


# ---- Dump --------------------------------------------------------------------

def dump(path):
    import openpyxl
    from openpyxl.utils import get_column_letter
    local = local_path(path)
    if not local or not os.path.isfile(local):
        print("spreadsheet: cannot find %s" % path, file=sys.stderr)
        return 1
    wb = openpyxl.load_workbook(local)
    for ws in wb.worksheets:
        print("[sheet %s]%s" % (ws.title, " active" if ws is wb.active else ""))
        for row in ws.iter_rows():
            for cell in row:
                if cell.value is None:
                    continue
                value = cell.value
                if isinstance(value, bool):
                    value = "TRUE" if value else "FALSE"
                print("%s%d %s" % (get_column_letter(cell.column), cell.row, value))
    return 0


def main(argv):
    if len(argv) == 3 and argv[1] == "--dump":
        return dump(argv[2])
    return serve([a for a in argv[1:] if not a.startswith("/")])


if __name__ == "__main__":
    sys.exit(main(sys.argv))
