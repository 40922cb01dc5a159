#!/usr/bin/env python3
"""Checks the terminal model that turns the door's output into screenshots.
Run: python3 scripts/screenshots_test.py"""

import importlib.util
import os
import subprocess
import tempfile
import unittest

_found = importlib.util.spec_from_file_location(
    "screenshots", os.path.join(os.path.dirname(os.path.abspath(__file__)), "screenshots.py"))
shots = importlib.util.module_from_spec(_found)
_found.loader.exec_module(shots)


def text_rows(screen):
    """The visible rows as plain text, trailing blanks dropped."""
    plain = shots.without_escapes(screen.to_ansi())
    rows = plain.split(b"\r\n")
    if rows[-1] == b"":
        rows.pop()
    return [row.rstrip(b" ") for row in rows]


class ScreenTest(unittest.TestCase):
    def test_erasing_and_clearing_leave_what_the_caller_sees(self):
        screen = shots.Screen()
        screen.feed(b"old text\r\n\x1b[H\x1b[2Jnew\r\n")
        screen.feed(b"[-*-]" + b"\x08 \x08" * 5 + b"\r\n[1:00PM]: ")
        self.assertEqual(text_rows(screen), [b"new", b"", b"[1:00PM]:"])

    def test_backspace_after_a_full_row_stays_on_that_row(self):
        screen = shots.Screen()
        screen.feed(b"x" * 80 + b"\x08\x08y")
        self.assertEqual(text_rows(screen)[0], b"x" * 78 + b"yx")

    def test_full_row_wraps_once_and_gets_no_line_end(self):
        screen = shots.Screen()
        screen.feed(b"a" * 80 + b"b")
        ansi = screen.to_ansi()
        self.assertEqual(shots.without_escapes(ansi), b"a" * 80 + b"b\r\n")

    def test_only_the_last_25_rows_are_visible(self):
        screen = shots.Screen()
        screen.feed(b"".join(b"line %d\r\n" % n for n in range(1, 31)) + b"prompt")
        rows = text_rows(screen)
        self.assertEqual(rows[0], b"line 7")
        self.assertEqual(rows[-1], b"prompt")
        self.assertEqual(len(rows), 25)

    def test_cursor_position_counts_from_the_visible_top(self):
        screen = shots.Screen()
        screen.feed(b"".join(b"%d\r\n" % n for n in range(40)) + b"\x1b[1;5HX")
        self.assertEqual(text_rows(screen)[0], b"16  X")

    def test_colours_follow_the_door_and_survive_a_split_escape(self):
        screen = shots.Screen()
        screen.feed(b"\x1b[1;33m\x1b[4")
        screen.feed(b"4mHi\x1b[0;37m\x1b[40m!")
        ansi = screen.to_ansi()
        self.assertIn(b"\x1b[0;1;33;44mHi\x1b[0;37;40m!", ansi)


    def test_blanks_keep_their_background_but_plain_ones_are_trimmed(self):
        screen = shots.Screen()
        screen.feed(b"a\x1b[44m  \x1b[40m   ")
        self.assertEqual(screen.to_ansi(), b"\x1b[0m\x1b[0;37;40ma\x1b[0;37;44m  \x1b[0m\r\n")


class HoldingsTest(unittest.TestCase):
    def test_the_sysop_tool_reads_back_what_was_given(self):
        tool = os.environ.get("KORDAVIN_SYSOP", os.path.join(shots.ROOT, "build", "kordavin-sysop"))
        if not os.access(tool, os.X_OK):
            self.skipTest("no built kordavin-sysop; set KORDAVIN_SYSOP to its path")
        with tempfile.TemporaryDirectory() as door_dir:
            with open(os.path.join(door_dir, "kordavin.ply"), "wb") as f:
                for n in range(len(shots.HOLDINGS)):
                    record = bytearray(shots.PLAYER_SIZE)
                    name = b"Pimp %d" % n
                    record[0] = len(name)
                    record[1:1 + len(name)] = name
                    record[264] = 1
                    f.write(record)
            shots.give_holdings(door_dir, last_day=7)
            shown = subprocess.run([tool, "--dir", door_dir, "show", "5"], capture_output=True,
                                   text=True, check=True).stdout
        fields = dict(line.split(": ", 1) for line in shown.splitlines())
        cash, clothes, street, condoms, whores = shots.HOLDINGS[4]
        self.assertEqual(fields["name"], "Pimp 4")
        self.assertEqual(int(fields["cash"]), cash)
        self.assertEqual(fields["wardrobe"].split()[0], str(clothes))
        self.assertEqual(int(fields["house"]), street)
        self.assertEqual(int(fields["condoms"]), condoms)
        self.assertEqual(int(fields["lastday"]), 7)
        self.assertEqual(int(fields["whores"]), len(whores))
        index, hours, days = whores[-1]
        k = len(whores)
        self.assertEqual(fields["whore%d.name" % k].split()[0], str(index))
        self.assertEqual(int(fields["whore%d.hours" % k]), hours)
        self.assertEqual(int(fields["whore%d.days" % k]), days)


class HandTotalTest(unittest.TestCase):
    def test_aces_count_one_only_when_eleven_would_bust(self):
        self.assertEqual(shots.hand_total(b"You have the Ace of Clubs and the Six of Hearts."), 17)
        self.assertEqual(shots.hand_total(
            b"You have the Ace of Clubs and the Ace of Hearts.\r\nYou draw the Nine of Spades."), 21)
        self.assertEqual(shots.hand_total(
            b"You have the King of Clubs and the Five of Hearts.\r\nYou draw the Queen of Spades."), 25)


if __name__ == "__main__":
    unittest.main()
