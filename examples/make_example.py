#!/usr/bin/env python3
"""Writes the sample export in examples/ and, from a small model of the
conversion rules written independently of the C++ code, the output it must
give: outlook-export.vcs (no options, no filters) and
outlook-export-filtered.vcs (option.txt and filter.txt applied), and the same
two as iCalendar 2.0 (.ics, DTSTAMP from SOURCE_DATE_EPOCH = STAMP_EPOCH).

Run from anywhere: python3 examples/make_example.py
"""
import datetime
import pathlib

HERE = pathlib.Path(__file__).resolve().parent
CRLF = b"\r\n"

HEADER = ["件名", "場所", "開始日", "開始時刻", "終了日", "終了時刻",
          "アラーム オン/オフ", "アラーム日付", "アラーム時刻", "内容"]

# One row per appointment: title, place, start date, start time, end date,
# end time, alarm flag, alarm date, alarm time, notes. "\n" inside a field is
# written as a line break inside the quoted field, as Outlook does.
APPOINTMENTS = [
    ["定例会議", "本社 3F 会議室A", "2024/01/15", "10:00:00", "2024/01/15", "11:30:00",
     "TRUE", "2024/01/15", "9:45:00", "資料持参"],
    ["朝会", "第2会議室", "2024/01/16", "8:30:00", "2024/01/16", "8:45:00",
     "FALSE", "2024/01/16", "8:30:00", ""],
    ["月末締め処理", "経理部", "2024/01/31", "17:00:00", "2024/01/31", "19:00:00",
     "TRUE", "2024/01/31", "16:30:00", "請求書の確認\n支払予定表の更新\n部長承認"],
    ["打ち合わせ（A社, B社）", "大阪支店, 会議室3", "2024/02/01", "14:00:00", "2024/02/01", "15:00:00",
     "FALSE", "2024/02/01", "13:45:00", "見積書, 提案書を持参"],
    ["うるう日のランチ", "レストラン \"さくら\"", "2024/02/29", "12:00:00", "2024/02/29", "13:00:00",
     "false", "2024/02/29", "11:45:00", "予約済み（4名）"],
    ["早朝ミーティング", "オンライン", "2024/03/01", "5:00:00", "2024/03/01", "6:00:00",
     "TRUE", "2024/03/01", "4:50:00", "米国チームと"],
    ["年度末棚卸し", "倉庫", "2024/03/31", "23:00:00", "2024/04/01", "2:00:00",
     "FALSE", "2024/03/31", "22:45:00", "懐中電灯\n軍手\n\n在庫表（最新版）"],
    ["新入社員研修の準備と最終確認（人事部・総務部・情報システム部合同）", "研修センター", "2024/04/01", "9:00:00",
     "2024/04/01", "17:30:00", "TRUE", "2024/04/01", "8:00:00", "配布資料を印刷"],
    ["取引先との打合せ", "", "2024/04/10", "15:00:00", "2024/04/10", "16:00:00",
     "FALSE", "2024/04/10", "14:45:00", "先方の担当者：山田様"],
    ["売上目標=前年比110%", "本社", "2024/04/15", "13:00:00", "2024/04/15", "14:00:00",
     "FALSE", "2024/04/15", "12:45:00", ""],
    ["【私用】歯医者", "駅前歯科", "2024/05/07", "18:30:00", "2024/05/07", "19:00:00",
     "TRUE", "2024/05/07", "18:00:00", "保険証を忘れずに"],
    ["ﾐｰﾃｨﾝｸﾞ", " 本社 ", "2024/05/20", "11:00:00", "2024/05/20", "12:00:00",
     "FALSE", "2024/05/20", "10:45:00", "半角カナの件名"],
    ["プロジェクト進捗報告", "第1会議室", "2024/06/03", "10:00:00", "2024/06/03", "12:00:00",
     "TRUE", "2024/06/03", "9:30:00",
     "議題：1. 先週の実績 2. 今週の予定 3. 課題と対策 4. その他。"
     "資料は前日までに共有フォルダへ格納すること。欠席者は代理を立てること。"],
    ["Weekly sync", "Room 4", "2024/06/10", "16:00:00", "2024/06/10", "16:30:00",
     "TRUE", "2024/06/10", "15:55:00",
     "Agenda: status, risks, next steps. Bring the latest build numbers and the test report, please. Minutes go to the shared drive by Friday."],
    ["表計算ソフト講習会", "本社 2F", "2024/06/30", "13:00:00", "2024/06/30", "17:00:00",
     "FALSE", "2024/06/30", "12:30:00", "ノートPC持参,\n充電器も"],
    ["【私用】子供の運動会", "小学校", "2024/07/01", "8:00:00", "2024/07/01", "15:00:00",
     "FALSE", "2024/07/01", "7:30:00", "弁当"],
    ["夏季休暇", "", "2024/08/13", "0:00:00", "2024/08/16", "0:00:00",
     "FALSE", "2024/08/13", "0:00:00", "\n実家に帰省"],
    ["社外秘：組織変更の説明", "役員会議室", "2024/09/30", "17:30:00", "2024/09/30", "18:30:00",
     "TRUE", "2024/09/30", "17:00:00", "資料は回収"],
    ["忘年会", "居酒屋\"はな\", 2階", "2024/12/27", "19:00:00", "2024/12/27", "21:00:00",
     "TRUE", "2024/12/27", "18:00:00", "会費 5,000円\t "],
    ["初詣", "神社", "2025/01/01", "6:00:00", "2025/01/01", "7:00:00",
     "False", "2025/01/01", "5:30:00", "早起き"],
]

OPTION_TEXT = "CATEGORIES:BUSINESS\r\nCLASS:PUBLIC\r\n"
FILTER_TEXT = "【私用】\r\n\r\n社外秘\r\n"


def sjis(text):
    return text.encode("cp932")


def quoted(field):
    return b'"' + sjis(field).replace(b'"', b'""').replace(b"\n", CRLF) + b'"'


def export_bytes():
    rows = [HEADER] + APPOINTMENTS
    return b"".join(b",".join(quoted(f) for f in row) + CRLF for row in rows)


# ---- the model of the conversion -------------------------------------------

def is_lead(b):
    return 0x81 <= b <= 0x9F or 0xE0 <= b <= 0xFC


def split_lines(data):
    data = data.split(b"\0", 1)[0]
    lines, p = [], 0
    while p < len(data):
        s = p
        while p < len(data) and data[p] not in (0x0D, 0x0A):
            p += 1
        lines.append(data[s:p])
        if p < len(data) and data[p] == 0x0D:
            p += 1
        if p < len(data) and data[p] == 0x0A:
            p += 1
    return lines


def join_records(lines):
    # A line ends its record when it ends with a double quote and the quotes
    # of the record so far are balanced; 0x22 is never a trail byte, so
    # counting bytes counts characters.
    out, i = list(lines), 0
    while i < len(out):
        line = out[i]
        if not line.endswith(b'"') or line.count(b'"') % 2:
            if i + 1 >= len(out):
                raise ValueError("unfinished last line, index %d" % len(out))
            out[i] = line + out.pop(i + 1)
        else:
            i += 1
    return out


def trail_positions(text):
    trail, p = set(), 0
    while p < len(text):
        if is_lead(text[p]) and p + 1 < len(text):
            trail.add(p + 1)
            p += 2
        else:
            p += 1
    return trail


def find_substring(needle, haystack):
    if not needle or not haystack:
        return 0
    trail = trail_positions(haystack)
    start = 0
    while True:
        at = haystack.find(needle, start)
        if at < 0:
            return 0
        if at not in trail:
            return at + 1
        start = at + 1


def split_comma_text(text):
    def blank(p):
        return p < len(text) and 0x01 <= text[p] <= 0x20

    def next_char(p):
        return p + 2 if is_lead(text[p]) and p + 1 < len(text) else p + 1

    def skip(p):
        while blank(p):
            p = next_char(p)
        return p

    fields, p = [], skip(0)
    while p < len(text):
        if text[p] == 0x22:
            value, p = quoted_field(text, p)
        else:
            s = p
            while p < len(text) and text[p] > 0x20 and text[p] != 0x2C:
                p = next_char(p)
            value = text[s:p]
        fields.append(value)
        p = skip(p)
        if p < len(text) and text[p] == 0x2C:
            if p + 1 == len(text):
                fields.append(b"")
            p = skip(p + 1)
    return fields


def quoted_field(text, q):
    value, p = bytearray(), q + 1
    while p < len(text):
        b = text[p]
        if is_lead(b) and p + 1 < len(text):
            value += text[p:p + 2]
            p += 2
        elif b == 0x22:
            if p + 1 < len(text) and text[p + 1] == 0x22:
                value.append(0x22)
                p += 2
            else:
                return bytes(value), p + 1
        else:
            value.append(b)
            p += 1
    raise ValueError("the sample has no unterminated quoted field")


def encode_qp(data):
    # The output keeps the encoder's 72-character lines, but a value that ends
    # exactly as a line is closed gets no dangling "=".
    lines, line = [], ""
    for i, b in enumerate(data):
        block_end = (i % 8192 == 8191) or i + 1 == len(data)
        if b in (0x09, 0x20):
            nxt = None if block_end else data[i + 1]
            line += "=%02X" % b if nxt in (0x0A, 0x0D) else chr(b)
        elif b == 0x3D:
            line += "=3D"
        elif 0x21 <= b <= 0x7E or b in (0x0A, 0x0D):
            line += chr(b)
        else:
            line += "=%02X" % b
        if len(line) > 71 and i + 1 < len(data):
            lines.append(line + "=")
            line = ""
    if line:
        lines.append(line)
    return "\r\n".join(lines).encode("ascii")


def trim_blanks(data):
    s, e = 0, len(data)
    while s < e and data[s] <= 0x20:
        s += 1
    while e > s and data[e - 1] <= 0x20:
        e -= 1
    return data[s:e]


def utc_stamp(date_text, time_text):
    y, mo, d = (int(x) for x in date_text.decode("ascii").split("/"))
    parts = [int(x) for x in time_text.decode("ascii").split(":")] + [0, 0]
    local = datetime.datetime(y, mo, d, parts[0], parts[1], parts[2])
    return (local - datetime.timedelta(hours=9)).strftime("%Y%m%dT%H%M%SZ").encode("ascii")


def utf8(ansi):
    return ansi.decode("cp932").encode("utf-8")


def event_block(fields, options):
    title, place, sd, st, ed, et, flag = fields[:7]
    block = [b"BEGIN:VCALENDAR", b"BEGIN:VEVENT", b"VERSION:1.0",
             b"SUMMARY;ENCODING=QUOTED-PRINTABLE:" + encode_qp(utf8(title))]
    desc = b""
    if trim_blanks(place):
        desc = sjis("(＠") + place + b")"
    block.append(b"DTSTART:" + utc_stamp(sd, st))
    block.append(b"DTEND:" + utc_stamp(ed, et))
    if flag.upper() == b"FALSE":
        block.append(b"DALARM;ENCODING=QUOTED-PRINTABLE:00000000T000000Z;")
    else:
        block.append(b"DALARM;ENCODING=QUOTED-PRINTABLE:" + utc_stamp(fields[7], fields[8]) + b";")
    if len(fields) >= 10:
        desc = desc + b" " + fields[9]
    while len(desc) > 128:
        desc = desc.decode("cp932")[:-1].encode("cp932")
    block.append(b"DESCRIPTION;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:" +
                 encode_qp(utf8(trim_blanks(desc))))
    block += options
    block += [b"END:VEVENT", b"END:VCALENDAR"]
    return block


def memo_lines(text):
    pieces = text.split(CRLF)
    if pieces[-1] == b"":
        pieces.pop()
    return [p[:4096] for p in pieces]


def convert(export, options, filters):
    records = join_records(split_lines(export))
    out = []
    for record in records[1:]:
        if any(find_substring(f, record) > 0 for f in filters):
            continue
        out += event_block(split_comma_text(record), options)
    return b"".join(item + CRLF for item in out)


# ---- the model of the iCalendar form ---------------------------------------
# Works on the appointments as Python text, not on the export's bytes: only
# the UID looks at the record as the export holds it.

STAMP_EPOCH = 1704067200  # 2024-01-01 00:00:00 UTC
PRODID = "-//Quillmer//Quillmer 1.0.2.25//EN"
MASK = (1 << 64) - 1


def record_hash(data):
    """Little-endian 64-bit words, the last padded with zeros; word i goes to
    lane i % 4 (the first lane's seed holds the length); the lanes are folded
    together, then the finaliser of MurmurHash3."""
    def mix(lane, word):
        lane = ((lane ^ word) * 0x9E3779B97F4A7C15) & MASK
        return lane ^ (lane >> 32)
    lanes = [0x517CC1B727220A95 ^ len(data), 0x2545F4914F6CDD1D, 0x6C8E9CF570932BD5, 0x94D049BB133111EB]
    for i, p in enumerate(range(0, len(data), 8)):
        lanes[i % 4] = mix(lanes[i % 4], int.from_bytes(data[p:p + 8], "little"))
    h = lanes[0]
    for lane in lanes[1:]:
        h = mix(h, lane)
    h ^= h >> 33
    h = (h * 0xFF51AFD7ED558CCD) & MASK
    h ^= h >> 33
    h = (h * 0xC4CEB9FE1A85EC53) & MASK
    h ^= h >> 33
    return h


def fold(units):
    """units: pieces that stay on one line (a character or an escape)."""
    lines, line = [], b""
    for u in units:
        u = u.encode("utf-8")
        if len(line) + len(u) > 75:
            lines.append(line)
            line = b" "
        line += u
    lines.append(line)
    return CRLF.join(lines) + CRLF


def plain_line(text):
    return fold(list(text))


ESCAPES = {"\\": "\\\\", ";": "\\;", ",": "\\,", "\n": "\\n"}


def text_line(head, value):
    return fold(list(head) + [ESCAPES.get(c, c) for c in value])


def stamp(date_text, time_text):
    return utc_stamp(sjis(date_text), sjis(time_text)).decode("ascii")


def record_bytes(row):
    """The record as the conversion joins it: the line breaks inside fields gone."""
    return b",".join(quoted(f) for f in row).replace(CRLF, b"")


def vevent(row, options, seen):
    title, place, sd, st, ed, et, flag = row[:7]
    notes = row[9] if len(row) > 9 else ""
    h = record_hash(record_bytes(row))
    seen[h] = seen.get(h, 0) + 1
    out = b"BEGIN:VEVENT" + CRLF
    out += b"UID:quillmer-%016x-%d" % (h, seen[h]) + CRLF
    out += b"DTSTAMP:" + datetime.datetime.fromtimestamp(
        STAMP_EPOCH, datetime.timezone.utc).strftime("%Y%m%dT%H%M%SZ").encode() + CRLF
    out += ("DTSTART:%s" % stamp(sd, st)).encode() + CRLF
    out += ("DTEND:%s" % stamp(ed, et)).encode() + CRLF
    out += text_line("SUMMARY:", title)
    if place.strip(" \t\n"):
        out += text_line("LOCATION:", place)
    if notes.strip(" \t\n"):
        out += text_line("DESCRIPTION:", notes)
    for option in options:
        if option:
            out += plain_line(option)
    if flag.upper() != "FALSE":
        out += b"BEGIN:VALARM" + CRLF + b"ACTION:DISPLAY" + CRLF
        out += text_line("DESCRIPTION:", title)
        out += ("TRIGGER;VALUE=DATE-TIME:%s" % stamp(row[7], row[8])).encode() + CRLF
        out += b"END:VALARM" + CRLF
    return out + b"END:VEVENT" + CRLF


def icalendar(rows, options=(), filters=()):
    out = b"BEGIN:VCALENDAR" + CRLF + b"VERSION:2.0" + CRLF
    out += plain_line("PRODID:" + PRODID) + b"CALSCALE:GREGORIAN" + CRLF
    seen = {}
    for row in rows:
        if any(f and find_substring(sjis(f), record_bytes(row)) > 0 for f in filters):
            continue
        out += vevent(row, options, seen)
    return out + b"END:VCALENDAR" + CRLF


def main():
    export = export_bytes()
    option_bytes, filter_bytes = sjis(OPTION_TEXT), sjis(FILTER_TEXT)
    (HERE / "outlook-export.csv").write_bytes(export)
    (HERE / "option.txt").write_bytes(option_bytes)
    (HERE / "filter.txt").write_bytes(filter_bytes)
    (HERE / "outlook-export.vcs").write_bytes(convert(export, [], []))
    (HERE / "outlook-export-filtered.vcs").write_bytes(
        convert(export, memo_lines(option_bytes), memo_lines(filter_bytes)))
    (HERE / "outlook-export.ics").write_bytes(icalendar(APPOINTMENTS))
    (HERE / "outlook-export-filtered.ics").write_bytes(icalendar(
        APPOINTMENTS, OPTION_TEXT.split("\r\n"), FILTER_TEXT.split("\r\n")))


if __name__ == "__main__":
    main()
