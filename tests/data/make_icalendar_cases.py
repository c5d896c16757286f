#!/usr/bin/env python3
"""Writes icalendar-cases.csv (an export of awkward appointments),
icalendar-cases.option.txt and the iCalendar 2.0 file they must give,
icalendar-cases.ics, with the model of examples/make_example.py, which is
written independently of the C++ code.

Run from anywhere: python3 tests/data/make_icalendar_cases.py
"""
import pathlib
import sys

HERE = pathlib.Path(__file__).resolve().parent
sys.path.insert(0, str(HERE.parent.parent / "examples"))
from make_example import CRLF, HEADER, csv_bytes, icalendar, sjis  # noqa: E402


def long_note():
    # Commas, semicolons and backslashes fall on every column of the folded
    # lines, between one-, two- and three-octet characters of UTF-8.
    words = ["議事録", "a,b", "要点;", "c\\d", "次回の宿題。", "xyz", "ﾒﾓ", "確認済み,", "１２３"]
    note, i = "", 0
    while len(sjis(note)) < 10 * 1024:
        note += words[i % len(words)] + ("\n" if i % 97 == 96 else " ")
        i += 1
    # libical drops blanks at the end of a line, so the note ends in a word.
    return note.rstrip()


ROWS = [
    ["場所もメモもない", "", "2024/03/04", "9:00:00", "2024/03/04", "9:30:00", "FALSE", "", "", ""],
    # Nine columns: no notes at all, and a place of blanks.
    ["メモ列のない予定", "  ", "2024/03/04", "10:00:00", "2024/03/04", "10:30:00", "false", "", ""],
    ["a,b;c\\d ￥1,000 ソフト表示", "会議室A; B\\C", "2024/03/05", "13:00:00", "2024/03/05", "14:00:00",
     "TRUE", "2024/03/05", "12:50:00", "件名の記号"],
    ["複数行のメモ", "本社", "2024/03/06", "8:30:00", "2024/03/06", "9:00:00",
     "TRUE", "2024/03/06", "8:00:00", "一行目\n二行目, 続き\n\n四行目"],
    ["長いメモ", "", "2024/03/07", "15:00:00", "2024/03/07", "16:00:00", "FALSE", "", "", long_note()],
    ["同じ予定", "本社", "2024/03/08", "10:00:00", "2024/03/08", "11:00:00", "FALSE", "", "", "同じ内容"],
    ["同じ予定", "本社", "2024/03/08", "10:00:00", "2024/03/08", "11:00:00", "FALSE", "", "", "同じ内容"],
    ["同じ予定", "本社", "2024/03/08", "10:00:00", "2024/03/08", "11:00:00", "FALSE", "", "", "同じ内容"],
]
OPTIONS = ["X-QUILLMER-CASE:ascii", "", "CATEGORIES:会議,社外",
           "X-QUILLMER-NOTE:折り返しの必要な長いオプション行です。二十五文字を超えると折り返されます。"]


def main():
    export = csv_bytes([HEADER] + ROWS)
    (HERE / "icalendar-cases.csv").write_bytes(export)
    (HERE / "icalendar-cases.option.txt").write_bytes(b"".join(sjis(o) + CRLF for o in OPTIONS))
    (HERE / "icalendar-cases.ics").write_bytes(icalendar(export, ROWS, OPTIONS))
    (HERE / "icalendar-long-note.txt").write_bytes(ROWS[4][9].encode("utf-8"))


if __name__ == "__main__":
    main()
