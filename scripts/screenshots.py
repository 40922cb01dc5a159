#!/usr/bin/env python3
"""Remakes the screenshots in docs/screenshots/ from real sessions of the door.

    python3 scripts/screenshots.py [--keep DIR] [--build DIR]

Sets up a door directory (the built program, kordavin.dat and title1.ans),
plays scripted callers in a pseudo-terminal with the date pinned by
libfaketime, and renders what the caller's 80x25 screen shows at chosen
moments to PNG with ansilove. The first day five callers join (one examines
another, which leaves news); the players are then given the holdings of a game
a few weeks old; on the next day the first caller comes back to the news, a
profit report, the rankings and the casino. Last comes the login bulletin that
kordavin-sysop makes of the same game, and its web page shot in headless
Chromium.

Needs python3, faketime, ansilove and chromium (installed with apt-get when
missing);
builds the door and the sysop tool with cmake when they are missing from the
build directory (build/, or --build DIR). --keep DIR keeps the door directory
and the .ans files there instead of a temporary directory.
"""

import argparse
import os
import re
import select
import shutil
import signal
import struct
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
OUT_DIR = os.path.join(ROOT, "docs", "screenshots")
FIRST_DAY = "2026-12-07 14:00:00"
NEXT_DAY = "2026-12-08 14:00:00"
ROWS, COLS = 25, 80
WAIT_SECONDS = 15


# ---------------------------------------------------------------- the screen

class Screen:
    """Just enough of an ANSI terminal to show what a caller sees: printable
    CP437 bytes, CR, LF, BS, cursor position, clear screen and colours."""

    def __init__(self):
        self.rows = []          # each row: list of (byte, fg, bg)
        self.row = self.col = 0
        self.bottom = 0         # the lowest row reached: the screen's last line
        self.fg, self.bg = 7, 0
        self.wrap_pending = False
        self.pending = b""      # an escape sequence cut between two reads

    def _cell_row(self, row):
        while len(self.rows) <= row:
            self.rows.append([])
        line = self.rows[row]
        while len(line) < COLS:
            line.append((32, 7, 0))
        return line

    def _top(self):
        return max(0, self.bottom + 1 - ROWS)

    def _put(self, byte):
        if self.wrap_pending:
            self.row, self.col, self.wrap_pending = self.row + 1, 0, False
        self._cell_row(self.row)[self.col] = (byte, self.fg, self.bg)
        if self.col == COLS - 1:
            self.wrap_pending = True
        else:
            self.col += 1

    def _sgr(self, params):
        bright = self.fg >= 8
        base = self.fg % 8
        for p in params or [0]:
            if p == 0:
                bright, base, self.bg = False, 7, 0
            elif p == 1:
                bright = True
            elif 30 <= p <= 37:
                base = p - 30
            elif 40 <= p <= 47:
                self.bg = p - 40
        self.fg = base + (8 if bright else 0)

    def _escape(self, params, final):
        numbers = [int(p) if p else 0 for p in params.split(";")] if params else []
        first = numbers[0] if numbers else 0
        if final == "m":
            self._sgr(numbers)
        elif final == "J" and first == 2:
            self.rows, self.row, self.col, self.bottom = [], 0, 0, 0
        elif final == "H" or final == "f":
            row = (numbers[0] if numbers else 1) or 1
            col = (numbers[1] if len(numbers) > 1 else 1) or 1
            self.row, self.col = self._top() + row - 1, min(col, COLS) - 1
        elif final == "C":
            self.col = min(COLS - 1, self.col + max(first, 1))
        elif final == "D":
            self.col = max(0, self.col - max(first, 1))
        elif final == "A":
            self.row = max(self._top(), self.row - max(first, 1))
        elif final == "B":
            self.row += max(first, 1)
        elif final == "K":
            line = self._cell_row(self.row)
            for c in range(self.col, COLS):
                line[c] = (32, self.fg, self.bg)
        self.wrap_pending = False

    def feed(self, data):
        data = self.pending + data
        self.pending = b""
        i = 0
        while i < len(data):
            byte = data[i]
            if byte == 27:
                match = re.match(rb"\x1b\[([0-9;]*)([A-Za-z])", data[i:])
                if not match:
                    if len(data) - i < 16:
                        self.pending = data[i:]
                        return
                    i += 1
                    continue
                self._escape(match.group(1).decode(), match.group(2).decode())
                self.bottom = max(self.bottom, self.row)
                i += match.end()
                continue
            if byte == 13:
                self.col, self.wrap_pending = 0, False
            elif byte == 10:
                self.row += 1
                self.wrap_pending = False
            elif byte == 8:
                if self.wrap_pending:
                    self.wrap_pending = False
                else:
                    self.col = max(0, self.col - 1)
            elif byte == 7 or byte == 0:
                pass
            else:
                self._put(byte)
            self.bottom = max(self.bottom, self.row)
            i += 1

    def to_ansi(self):
        """The visible window as an ANSI file: one row per line, trailing blank
        cells dropped, colours sent only where they change."""
        top = self._top()
        window = [self._cell_row(r)[:] for r in range(top, self.bottom + 1)]
        while window and all(cell == (32, 7, 0) for cell in window[-1]):
            window.pop()
        out = bytearray(b"\x1b[0m")
        for line in window:
            end = len(line)
            while end > 0 and line[end - 1][0] == 32 and line[end - 1][2] == 0:
                end -= 1
            colour = None
            for byte, fg, bg in line[:end]:
                if (fg, bg) != colour:
                    out += b"\x1b[0;%s3%d;4%dm" % (b"1;" if fg >= 8 else b"", fg % 8, bg)
                    colour = (fg, bg)
                out.append(byte)
            out += b"\x1b[0m"
            if end < COLS:  # a full row wraps by itself in the renderer
                out += b"\r\n"
        return bytes(out)


# ---------------------------------------------------------------- a caller

def without_escapes(data):
    return re.sub(rb"\x1b\[[0-9;]*[A-Za-z]", b"", data)


def title_tail(door_dir):
    """The last bytes the title picture shows, to know when it is on screen."""
    with open(os.path.join(door_dir, "title1.ans"), "rb") as f:
        return without_escapes(f.read().rstrip(b"\x1a"))[-24:]


class Caller:
    """One run of the door in a pseudo-terminal, as a BBS starts it."""

    def __init__(self, door_dir, node, real_name, date):
        drop_dir = os.path.join(door_dir, "node%d" % node)
        os.makedirs(drop_dir, exist_ok=True)
        drop = os.path.join(drop_dir, "DOOR32.SYS")
        with open(drop, "wb") as f:
            # standard I/O connection, 60 minutes, ANSI, this node
            f.write(("0\r\n-1\r\n38400\r\nScreenshot BBS\r\n%d\r\n%s\r\n%s\r\n"
                     "10\r\n60\r\n1\r\n%d\r\n" % (node, real_name, real_name, node)).encode())
        master, slave = os.openpty()
        self.master = master
        self.output = b""
        self.plain = b""  # the output without escape sequences, to find texts in
        self.mark = 0
        self.screen = Screen()
        self.process = subprocess.Popen(
            ["faketime", date, os.path.join(door_dir, "kordavin"), drop, str(node)],
            stdin=slave, stdout=slave, stderr=slave, cwd=door_dir, start_new_session=True)
        os.close(slave)

    def _read(self, seconds):
        ready, _, _ = select.select([self.master], [], [], seconds)
        if not ready:
            return False
        try:
            data = os.read(self.master, 65536)
        except OSError:
            data = b""
        if not data:
            raise RuntimeError("the door ended early; its last output:\n%r" % self.output[-600:])
        self.output += data
        self.plain = without_escapes(self.output)
        self.screen.feed(data)
        return True

    def wait_for(self, *texts):
        """Waits until one of the texts appears after the last one waited for,
        then lets the output settle; returns the text that appeared."""
        deadline = time.time() + WAIT_SECONDS
        while True:
            found = [(self.plain.find(t, self.mark), t) for t in texts]
            found = [(at, t) for at, t in found if at >= 0]
            if found:
                at, text = min(found)
                self.mark = at + len(text)
                while self._read(0.3):
                    pass
                return text
            if time.time() > deadline:
                raise RuntimeError("waited for %r; the door wrote:\n%r" % (texts, self.output[-600:]))
            self._read(0.2)

    def answer(self, text, keys):
        self.wait_for(text)
        self.send(keys)

    def send(self, keys):
        time.sleep(0.05)
        os.write(self.master, keys)

    def finish(self):
        try:
            self.process.wait(timeout=WAIT_SECONDS)
        except subprocess.TimeoutExpired:
            self.process.send_signal(signal.SIGTERM)
            self.process.wait()
        os.close(self.master)


def join(caller, pimp_name):
    caller.answer(b"Would you like to play? [Y/N] ", b"y")
    caller.answer(b"Enter your Pimp Name : ", pimp_name + b"\r")
    caller.answer(b"[-*-]", b"\r")


def quit_game(caller):
    caller.send(b"q")
    caller.answer(b"Are you sure you want to quit? [Y/N] ", b"y")
    caller.answer(b"[-*-]", b"\r")
    caller.finish()


# ---------------------------------------------------------------- the players

PLAYER_SIZE = 276
NEW_PLAYERS = [  # node, real name from the drop file, pimp name typed at joining
    (1, "Jane Doe", b"slick rick"),
    (2, "Tom Baker", b"velvet lou"),
    (3, "Ann Lee", b"candy man carl"),
    (4, "Sam Ortiz", b"sir mack"),
    (5, "Kim Park", b"fast eddie"),
]
# What each has built up by the first day's end: cash, wardrobe, house street,
# condoms, and (name index, hours, days worked) per whore.
HOLDINGS = [
    (48250, 4, 12, 40, [(3, 9, 14), (17, 8, 11), (22, 10, 9), (31, 7, 6), (8, 9, 4), (45, 8, 1)]),
    (91700, 6, 27, 12, [(5, 10, 20), (12, 9, 18), (40, 8, 15), (2, 7, 10)]),
    (12800, 2, 3, 0, [(27, 8, 3), (36, 9, 2)]),
    (3400, 1, 0, 5, []),
    (156300, 7, 41, 60, [(9, 10, 25), (14, 10, 22), (19, 9, 20), (33, 8, 16), (47, 7, 12),
                         (50, 9, 7), (1, 8, 3)]),
]


def give_holdings(door_dir, last_day):
    """Rewrites each record with the holdings above, in the stored layout, so
    that the next day's profit report and the rankings have something to show."""
    path = os.path.join(door_dir, "kordavin.ply")
    with open(path, "r+b") as f:
        data = bytearray(f.read())
        for n, (cash, clothes, street, condoms, whores) in enumerate(HOLDINGS):
            at = n * PLAYER_SIZE
            record = data[at:at + PLAYER_SIZE]
            record[83] = len(whores)
            for k in range(20):
                index, hours, days = whores[k] if k < len(whores) else (0, 0, 0)
                rate = 250 + street * 20 + days * 10 + clothes * 100 if index else 0
                record[84 + k] = index
                record[104 + k] = 5 if index else 0
                struct.pack_into("<i", record, 124 + 4 * k, rate)
                record[204 + k] = hours
                struct.pack_into("<h", record, 224 + 2 * k, days)
            record[264] = clothes
            record[265] = street
            struct.pack_into("<ih", record, 266, cash, condoms)
            record[273] = last_day
            data[at:at + PLAYER_SIZE] = record
        f.seek(0)
        f.write(data)


# ---------------------------------------------------------------- the sessions

def first_day(door_dir, shots):
    jane = Caller(door_dir, 1, "Jane Doe", FIRST_DAY)
    jane.answer(b"Do you want ANSI graphics? [Y/N] ", b"y")
    jane.wait_for(title_tail(door_dir))
    shots["title"] = jane.screen.to_ansi()
    jane.send(b"\r")
    join(jane, NEW_PLAYERS[0][2])
    jane.answer(b"[1ST & MAIN]: ", b"?")
    jane.wait_for(b"[1ST & MAIN]: ")
    shots["street-corner-help"] = jane.screen.to_ansi()
    quit_game(jane)

    for node, real_name, pimp_name in NEW_PLAYERS[1:]:
        caller = Caller(door_dir, node, real_name, FIRST_DAY)
        caller.answer(b"Do you want ANSI graphics? [Y/N] ", b"n")
        join(caller, pimp_name)
        caller.wait_for(b"[1ST & MAIN]: ")
        if node == 2:  # an examination leaves news for the examined player
            caller.send(b"e")
            caller.answer(b"Show Roster [Y/N] ", b"y")
            caller.answer(b"[PIMP ROSTER]: ", b"1\r")
            caller.wait_for(b"[1ST & MAIN]: ")
        quit_game(caller)


CARD_VALUES = {b"Ace": 11, b"Two": 2, b"Three": 3, b"Four": 4, b"Five": 5, b"Six": 6,
               b"Seven": 7, b"Eight": 8, b"Nine": 9, b"Ten": 10, b"Jack": 10,
               b"Queen": 10, b"King": 10}


def hand_total(text):
    ranks = re.findall(rb"(?:You have the|and the|You draw the) (\w+) of", text)
    total = sum(CARD_VALUES[r] for r in ranks)
    aces = ranks.count(b"Ace")
    while total > 21 and aces:
        total, aces = total - 10, aces - 1
    return total


def play_black_jack(caller):
    caller.send(b"b")
    caller.answer(b"[WAGER]: ", b"500\r")
    start = caller.mark
    while caller.wait_for(b"[H] Another Card  [S] Stop", b"[CASINO]: ") != b"[CASINO]: ":
        caller.send(b"h" if hand_total(caller.plain[start:]) < 17 else b"s")


def next_day(door_dir, shots):
    jane = Caller(door_dir, 1, "Jane Doe", NEXT_DAY)
    jane.answer(b"Do you want ANSI graphics? [Y/N] ", b"y")
    jane.answer(title_tail(door_dir), b"\r")
    jane.answer(b"Last Night, Theses Things Happened", b"")
    jane.answer(b"[-*-]", b"\r")
    jane.wait_for(b"& MAIN]: ")
    shots["profit-report"] = jane.screen.to_ansi()
    jane.send(b"p")
    jane.wait_for(b"Note : Daily Profit")
    jane.wait_for(b"& MAIN]: ")
    shots["rankings"] = jane.screen.to_ansi()
    jane.send(b"c")
    jane.wait_for(b"[CASINO]: ")
    play_black_jack(jane)
    shots["casino-black-jack"] = jane.screen.to_ansi()
    jane.send(b"?")
    jane.answer(b"[CASINO]: ", b"s")
    jane.answer(b" MAX]: ", b"100\r")
    jane.wait_for(b"[CASINO]: ")
    shots["casino-slot-machine"] = jane.screen.to_ansi()
    jane.send(b"r")
    jane.wait_for(b"& MAIN]: ")
    quit_game(jane)


# ---------------------------------------------------------------- setup and output

def need_tools():
    missing = [tool for tool in ("faketime", "ansilove", "chromium") if not shutil.which(tool)]
    if not missing:
        return
    sudo = [] if os.geteuid() == 0 else ["sudo"]
    subprocess.run(sudo + ["apt-get", "update", "-qq"], check=True)
    subprocess.run(sudo + ["apt-get", "install", "-y", "-qq"] + missing, check=True,
                   env=dict(os.environ, DEBIAN_FRONTEND="noninteractive"))


def built(build_dir, target):
    """The built program, built first when it is missing; None if that fails."""
    program = os.path.join(build_dir, target)
    if not os.access(program, os.X_OK):
        subprocess.run(["cmake", "-S", ROOT, "-B", build_dir], check=True, stdout=subprocess.DEVNULL)
        subprocess.run(["cmake", "--build", build_dir, "--target", target])
    return program if os.access(program, os.X_OK) else None


def bulletin(build_dir, door_dir, shots):
    """The sysop tool's login bulletin for the same game, when the tool builds."""
    tool = built(build_dir, "kordavin-sysop")
    if not tool:
        print("kordavin-sysop did not build; no bulletin screenshot", file=sys.stderr)
        return
    ans = os.path.join(door_dir, "bulletin-output.ans")
    html = os.path.join(door_dir, "bulletin-output.html")
    subprocess.run([tool, "--dir", door_dir, "bulletin", "--ans", ans,
                    "--asc", os.path.join(door_dir, "bulletin-output.asc"), "--html", html],
                   check=True)
    screen = Screen()
    with open(ans, "rb") as f:
        screen.feed(f.read())
    shots["bulletin"] = screen.to_ansi()
    browser_shot(html, os.path.join(OUT_DIR, "bulletin-html.png"))


def browser_shot(page, png_path):
    """The page as headless Chromium draws it, in a window the size of the box."""
    profile = tempfile.mkdtemp(prefix="kordavin-chromium-")
    try:
        subprocess.run(["chromium", "--headless", "--no-sandbox", "--disable-gpu",
                        "--disable-quic", "--no-first-run", "--disable-background-networking",
                        "--disable-component-update", "--disable-sync",
                        "--user-data-dir=" + profile, "--hide-scrollbars",
                        "--screenshot=" + png_path, "--window-size=790,270",
                        "file://" + page],
                       check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    finally:
        shutil.rmtree(profile, ignore_errors=True)
    print(os.path.relpath(png_path, ROOT))


def make_door_dir(build_dir, door_dir):
    os.makedirs(door_dir, exist_ok=True)
    for name in ("kordavin.ply", "kordavin.cfg", "kordavin.msg"):
        if os.path.exists(os.path.join(door_dir, name)):
            os.remove(os.path.join(door_dir, name))
    program = built(build_dir, "kordavin")
    if not program:
        sys.exit("the door did not build")
    shutil.copy2(program, door_dir)
    for name in ("kordavin.dat", "title1.ans"):
        shutil.copy2(os.path.join(ROOT, "data", name), door_dir)


def render(shots, ans_dir):
    os.makedirs(OUT_DIR, exist_ok=True)
    for name, ansi in shots.items():
        ans_path = os.path.join(ans_dir, name + ".ans")
        with open(ans_path, "wb") as f:
            f.write(ansi)
        png_path = os.path.join(OUT_DIR, name + ".png")
        subprocess.run(["ansilove", "-q", "-o", png_path, ans_path], check=True,
                       stdout=subprocess.DEVNULL)
        print(os.path.relpath(png_path, ROOT))


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--keep", metavar="DIR", help="door directory to keep (default: temporary)")
    parser.add_argument("--build", metavar="DIR", default=os.path.join(ROOT, "build"),
                        help="build directory of the programs (default: build)")
    args = parser.parse_args()
    need_tools()
    door_dir = os.path.abspath(args.keep) if args.keep else tempfile.mkdtemp(prefix="kordavin-shots-")
    try:
        make_door_dir(os.path.abspath(args.build), door_dir)
        shots = {}
        first_day(door_dir, shots)
        give_holdings(door_dir, last_day=int(FIRST_DAY[8:10]))
        next_day(door_dir, shots)
        bulletin(os.path.abspath(args.build), door_dir, shots)
        render(shots, door_dir)
    finally:
        if not args.keep:
            shutil.rmtree(door_dir, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
