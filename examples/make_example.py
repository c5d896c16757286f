#!/usr/bin/env python3
"""Writes the sample export in examples/ and, from a small model of the
conversion rules written independently of the C++ code, the output it must
give: outlook-export.vcs (no options, no filters) and
outlook-export-filtered.vcs (option.txt and filter.txt applied: the links
outlook-export-filtered.option.txt and .filter.txt name them), and the same
two as iCalendar 2.0 (.ics, DTSTAMP from SOURCE_DATE_EPOCH = STAMP_EPOCH).
The model also reads Outlook's default export by its column names
(make_default_export.py uses it).

Run from anywhere: python3 examples/make_example.py
"""
import datetime
import pathlib
import re

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


def csv_bytes(rows, field=quoted):
    return b"".join(b",".join(field(f) for f in row) + CRLF for row in rows)


def export_bytes():
    return csv_bytes([HEADER] + APPOINTMENTS)


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


# ---- where each field stands -----------------------------------------------

# The ten-column layout, by position.
POSITIONS = ["Title", "Place", "StartDate", "StartTime", "EndDate", "EndTime",
             "AlarmFlag", "AlarmDate", "AlarmTime", "Notes"]

# Outlook's column titles, Japanese and English.
OUTLOOK_NAMES = {
    "Title": ("件名", "Subject"),
    "Place": ("場所", "Location"),
    "StartDate": ("開始日", "Start Date"),
    "StartTime": ("開始時刻", "Start Time"),
    "EndDate": ("終了日", "End Date"),
    "EndTime": ("終了時刻", "End Time"),
    "AlarmFlag": ("アラーム オン/オフ", "Reminder on/off"),
    "AlarmDate": ("アラーム日付", "Reminder Date"),
    "AlarmTime": ("アラーム時刻", "Reminder Time"),
    "Notes": ("内容", "Description"),
    "AllDay": ("終日イベント", "All day event"),
    "Categories": ("分類", "Categories"),
    "Private": ("プライベート", "Private"),
    "Sensitivity": ("秘密度", "Sensitivity"),
    "ShowTimeAs": ("公開する時間帯の種類", "Show time as"),
    "Priority": ("優先度", "Priority"),
}
NEEDED = ("Title", "StartDate", "StartTime", "EndDate", "EndTime")

TRUE_WORDS = {b"true", b"on", b"yes", b"1", sjis("オン"), sjis("はい")}
FALSE_WORDS = {b"false", b"off", b"no", b"0", sjis("オフ"), sjis("いいえ"), b""}


def fold_ascii(text):
    """Lower-cases the ASCII letters, never a trail byte."""
    out, p = bytearray(), 0
    while p < len(text):
        if is_lead(text[p]) and p + 1 < len(text):
            out += text[p:p + 2]
            p += 2
        else:
            out += bytes([text[p]]).lower()
            p += 1
    return bytes(out)


def word(text):
    return fold_ascii(trim_blanks(text))


def flag_word(text):
    """True, False, or None for a word that is neither."""
    w = word(text)
    return True if w in TRUE_WORDS else False if w in FALSE_WORDS else None


class Columns:
    """The column of each field: by Outlook's names when the header record
    names the title, start and end columns, else the ten-column positions."""

    def __init__(self, header_record):
        titles = [word(t) for t in split_comma_text(header_record)]
        self.at = {}
        for field, names in OUTLOOK_NAMES.items():
            spelled = {word(sjis(n)) for n in names}
            found = [i for i, t in enumerate(titles) if t in spelled]
            if found:
                self.at[field] = found[0]
        self.named = all(f in self.at for f in NEEDED)
        if not self.named:
            self.at = {f: i for i, f in enumerate(POSITIONS)}

    def get(self, fields, name):
        """A field no column holds is empty; a short record raises."""
        return fields[self.at[name]] if name in self.at else b""

    def has(self, fields, name):
        return name in self.at and self.at[name] < len(fields)

    def flag(self, fields, name):
        return flag_word(self.get(fields, name)) is True

    def alarm_on(self, fields):
        if self.named:
            return flag_word(self.get(fields, "AlarmFlag")) is not False
        return fields[6].upper() != b"FALSE"


def event_block(fields, options, columns):
    def get(name):
        return columns.get(fields, name)
    block = [b"BEGIN:VCALENDAR", b"BEGIN:VEVENT", b"VERSION:1.0",
             b"SUMMARY;ENCODING=QUOTED-PRINTABLE:" + encode_qp(utf8(get("Title")))]
    desc = b""
    if trim_blanks(get("Place")):
        desc = sjis("(＠") + get("Place") + b")"
    block.append(b"DTSTART:" + utc_stamp(get("StartDate"), get("StartTime")))
    block.append(b"DTEND:" + utc_stamp(get("EndDate"), get("EndTime")))
    if not columns.alarm_on(fields):
        block.append(b"DALARM;ENCODING=QUOTED-PRINTABLE:00000000T000000Z;")
    else:
        block.append(b"DALARM;ENCODING=QUOTED-PRINTABLE:" +
                     utc_stamp(get("AlarmDate"), get("AlarmTime")) + b";")
    if columns.has(fields, "Notes"):
        desc = desc + b" " + get("Notes")
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
    columns = Columns(records[0])
    out = []
    for record in records[1:]:
        if any(find_substring(f, record) > 0 for f in filters):
            continue
        out += event_block(split_comma_text(record), options, columns)
    return b"".join(item + CRLF for item in out)


# ---- the model of the iCalendar form ---------------------------------------
# Takes the values from the appointments as they were written, since the
# joined records have lost the line breaks inside the notes; the header, the
# UID and the filters look at the records as the export holds them.

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


def text(ansi):
    return ansi.decode("cp932")


def day(date_text):
    y, mo, d = (int(x) for x in date_text.decode("ascii").split("/"))
    return datetime.date(y, mo, d)


def categories(value):
    names = []
    for name in re.split(rb"[,;]", value):
        name = trim_blanks(name)
        if name and name not in names:
            names.append(name)
    return names


SENSITIVITY_CLASS = {"個人用": "PRIVATE", "personal": "PRIVATE", "親展": "PRIVATE", "private": "PRIVATE",
                     "社外秘": "CONFIDENTIAL", "confidential": "CONFIDENTIAL"}
PRIORITIES = {"高": "1", "high": "1", "低": "9", "low": "9"}
BUSY = ["TRANSPARENT FREE", "OPAQUE TENTATIVE", "OPAQUE BUSY", "OPAQUE OOF", "OPAQUE WORKINGELSEWHERE"]


def derived_lines(fields, columns):
    """(property, line) of what the named columns add, in order."""
    def get(name):
        return columns.get(fields, name)
    lines = []
    kind = {sjis(k): v for k, v in SENSITIVITY_CLASS.items()}.get(word(get("Sensitivity")))
    if columns.flag(fields, "Private"):
        kind = "PRIVATE"
    if kind:
        lines.append(("CLASS", "CLASS:" + kind))
    level = {sjis(k): v for k, v in PRIORITIES.items()}.get(word(get("Priority")))
    if level:
        lines.append(("PRIORITY", "PRIORITY:" + level))
    show = trim_blanks(get("ShowTimeAs"))
    if show in (b"0", b"1", b"2", b"3", b"4"):
        transp, status = BUSY[int(show)].split()
        lines.append(("TRANSP", "TRANSP:" + transp))
        lines.append(("X-MICROSOFT-CDO-BUSYSTATUS", "X-MICROSOFT-CDO-BUSYSTATUS:" + status))
    return lines


def property_name(option):
    return fold_ascii(sjis(re.split("[;:]", option, maxsplit=1)[0]))


def vevent(fields, record, columns, options, seen):
    """fields: the record's values in code page 932, a line break inside a
    value kept as LF; record: the record as the export holds it, joined."""
    def get(name):
        return columns.get(fields, name)
    h = record_hash(record)
    seen[h] = seen.get(h, 0) + 1
    out = b"BEGIN:VEVENT" + CRLF
    out += b"UID:quillmer-%016x-%d" % (h, seen[h]) + CRLF
    out += b"DTSTAMP:" + datetime.datetime.fromtimestamp(
        STAMP_EPOCH, datetime.timezone.utc).strftime("%Y%m%dT%H%M%SZ").encode() + CRLF
    if columns.flag(fields, "AllDay"):
        start, end = day(get("StartDate")), day(get("EndDate"))
        if end <= start:
            end = start + datetime.timedelta(days=1)
        out += start.strftime("DTSTART;VALUE=DATE:%Y%m%d").encode() + CRLF
        out += end.strftime("DTEND;VALUE=DATE:%Y%m%d").encode() + CRLF
    else:
        out += b"DTSTART:" + utc_stamp(get("StartDate"), get("StartTime")) + CRLF
        out += b"DTEND:" + utc_stamp(get("EndDate"), get("EndTime")) + CRLF
    out += text_line("SUMMARY:", text(get("Title")))
    if trim_blanks(get("Place")):
        out += text_line("LOCATION:", text(get("Place")))
    if columns.has(fields, "Notes") and trim_blanks(get("Notes")):
        out += text_line("DESCRIPTION:", text(get("Notes")))
    names = categories(get("Categories"))
    if names:
        units = list("CATEGORIES:")
        for i, name in enumerate(names):
            units += ([","] if i else []) + [ESCAPES.get(c, c) for c in text(name)]
        out += fold(units)
    replaced = {property_name(o) for o in options if o}
    for name, line in derived_lines(fields, columns):
        if fold_ascii(name.encode()) not in replaced:
            out += plain_line(line)
    for option in options:
        if option:
            out += plain_line(option)
    if columns.alarm_on(fields):
        out += b"BEGIN:VALARM" + CRLF + b"ACTION:DISPLAY" + CRLF
        out += text_line("DESCRIPTION:", text(get("Title")))
        out += b"TRIGGER;VALUE=DATE-TIME:" + utc_stamp(get("AlarmDate"), get("AlarmTime")) + CRLF
        out += b"END:VALARM" + CRLF
    return out + b"END:VEVENT" + CRLF


def icalendar(export, rows, options=(), filters=()):
    """The export and the rows it was written from, in the same order: the
    values come from the rows (their line breaks kept), the header, the UID
    and the filters look at the records as the export holds them."""
    records = join_records(split_lines(export))
    assert len(records) == len(rows) + 1
    columns = Columns(records[0])
    out = b"BEGIN:VCALENDAR" + CRLF + b"VERSION:2.0" + CRLF
    out += plain_line("PRODID:" + PRODID) + b"CALSCALE:GREGORIAN" + CRLF
    seen = {}
    for record, row in zip(records[1:], rows):
        fields = [sjis(v) for v in row]
        assert split_comma_text(record) == [f.replace(b"\n", b"") for f in fields], record
        if any(f and find_substring(sjis(f), record) > 0 for f in filters):
            continue
        out += vevent(fields, record, columns, options, seen)
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
    (HERE / "outlook-export.ics").write_bytes(icalendar(export, APPOINTMENTS))
    (HERE / "outlook-export-filtered.ics").write_bytes(icalendar(
        export, APPOINTMENTS, OPTION_TEXT.split("\r\n"), FILTER_TEXT.split("\r\n")))


if __name__ == "__main__":
    main()
