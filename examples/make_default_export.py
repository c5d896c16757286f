#!/usr/bin/env python3
"""Writes outlook-default-export.csv, an export in the layout Outlook writes
by default (22 columns, Japanese titles, code page 932), and, with the model
of make_example.py (written independently of the C++ code), the output it must
give: outlook-default-export.vcs and .ics (no options, no filters) and
outlook-default-export-overrides.ics (the option lines of
outlook-default-export-overrides.option.txt, which replace the derived CLASS).

Also writes tests/data/outlook-default-english.csv: five of the same
appointments under Outlook's English titles, whose columns stand in another
order, with its .vcs and .ics; they must give the same events.

Run from anywhere: python3 examples/make_default_export.py
"""
import datetime
import pathlib
import re

from make_example import convert, csv_bytes, icalendar, quoted, sjis

HERE = pathlib.Path(__file__).resolve().parent
TEST_DATA = HERE.parent / "tests" / "data"

# (title, field) in the order Outlook writes them.
JAPANESE = [
    ("件名", "Title"), ("開始日", "StartDate"), ("開始時刻", "StartTime"), ("終了日", "EndDate"),
    ("終了時刻", "EndTime"), ("終日イベント", "AllDay"), ("アラーム オン/オフ", "AlarmFlag"),
    ("アラーム日付", "AlarmDate"), ("アラーム時刻", "AlarmTime"), ("会議の開催者", "Organizer"),
    ("必須出席者", "Required"), ("任意出席者", "Optional"), ("リソース", "Resources"),
    ("プライベート", "Private"), ("経費情報", "Billing"), ("公開する時間帯の種類", "ShowTimeAs"),
    ("支払い条件", "Mileage"), ("場所", "Place"), ("内容", "Notes"), ("秘密度", "Sensitivity"),
    ("分類", "Categories"), ("優先度", "Priority"),
]
ENGLISH = [
    ("Subject", "Title"), ("Start Date", "StartDate"), ("Start Time", "StartTime"),
    ("End Date", "EndDate"), ("End Time", "EndTime"), ("All day event", "AllDay"),
    ("Reminder on/off", "AlarmFlag"), ("Reminder Date", "AlarmDate"), ("Reminder Time", "AlarmTime"),
    ("Meeting Organizer", "Organizer"), ("Required Attendees", "Required"),
    ("Optional Attendees", "Optional"), ("Meeting Resources", "Resources"),
    ("Billing Information", "Billing"), ("Categories", "Categories"), ("Description", "Notes"),
    ("Location", "Place"), ("Mileage", "Mileage"), ("Priority", "Priority"), ("Private", "Private"),
    ("Sensitivity", "Sensitivity"), ("Show time as", "ShowTimeAs"),
]
# The words an English export writes for the Japanese ones.
IN_ENGLISH = {"オン": "True", "オフ": "False", "標準": "Normal", "高": "High", "低": "Low",
              "個人用": "Personal", "親展": "Private", "社外秘": "Confidential"}

OPTION_TEXT = "CLASS:PUBLIC\r\nX-ORIGIN:outlook\r\n"


def written(moment):
    """Date and time as the Japanese regional settings write them: 2024/1/5, 9:05:00."""
    return "%d/%d/%d" % (moment.year, moment.month, moment.day), "%d:%02d:%02d" % (
        moment.hour, moment.minute, moment.second)


def appointment(title, start, end, place="", notes="", reminder=15, all_day=False, show="2",
                private=False, sensitivity="標準", priority="標準", categories="", organizer="",
                required="", optional="", resources="", billing="", mileage="", yes="True", no="False"):
    """start and end as "2024/1/5 9:05" (an all-day appointment: its first
    day and the day after its last); reminder in minutes before the start,
    None when it is off."""
    def moment(text):
        return datetime.datetime.strptime(text, "%Y/%m/%d %H:%M" if " " in text else "%Y/%m/%d")
    begin, finish = moment(start), moment(end)
    alarm = ("", "") if reminder is None else written(begin - datetime.timedelta(minutes=reminder))
    return {
        "Title": title, "StartDate": written(begin)[0], "StartTime": written(begin)[1],
        "EndDate": written(finish)[0], "EndTime": written(finish)[1],
        "AllDay": yes if all_day else no, "AlarmFlag": no if reminder is None else yes,
        "AlarmDate": alarm[0], "AlarmTime": alarm[1], "Organizer": organizer, "Required": required,
        "Optional": optional, "Resources": resources, "Private": yes if private else no,
        "Billing": billing, "ShowTimeAs": show, "Mileage": mileage, "Place": place, "Notes": notes,
        "Sensitivity": sensitivity, "Categories": categories, "Priority": priority,
    }


WEEKLY = dict(place="本社 3F 会議室A", organizer="山田 太郎", required="佐藤 花子;鈴木 一郎",
              optional="高橋 健", resources="会議室A", categories="会議",
              notes="週次の進捗確認\n議事録は当番が共有フォルダへ")

APPOINTMENTS = [
    appointment("仕事始め", "2024/1/4", "2024/1/5", all_day=True, reminder=18 * 60, show="0"),
    appointment("定例会議", "2024/1/9 10:00", "2024/1/9 11:00", **WEEKLY),
    appointment("取引先訪問（A社, B社）", "2024/1/11 14:00", "2024/1/11 15:30",
                place="大阪市北区梅田1-2-3, A社ビル 5F", priority="高", reminder=60,
                notes='持参物: 見積書, 提案書（"最終版"）, 名刺\n帰社予定 17:00',
                billing="A社案件", mileage="35", categories="外出, 営業"),
    appointment("定例会議", "2024/1/16 10:00", "2024/1/16 11:00", **WEEKLY),
    appointment("健康診断", "2024/1/18 9:00", "2024/1/18 11:30", place="駅前クリニック",
                reminder=12 * 60, show="3", private=True, sensitivity="親展", categories="個人",
                notes="前日21時以降は絶食\n保険証を持参", yes="オン", no="オフ"),
    # A note line that ends with a quoted word.
    appointment("企画会議", "2024/1/22 13:00", "2024/1/22 14:30", place="第1会議室",
                organizer="田中 美咲", required="山田 太郎;佐藤 花子",
                notes='次回までの宿題:\n1. 市場調査の資料を更新\n2. 表題は "新しい働き方"\n3. 予算案は部長に確認'),
    appointment("定例会議", "2024/1/23 10:00", "2024/1/23 11:00", **WEEKLY),
    appointment("昼休みのヨガ", "2024/1/24 12:15", "2024/1/24 12:45", place="屋上", reminder=None,
                show="0", sensitivity="個人用", categories="個人;健康"),
    appointment("定例会議", "2024/1/30 10:00", "2024/1/30 11:00", **WEEKLY),
    appointment("新製品発表会の打合せ", "2024/2/2 15:00", "2024/2/2 16:00", show="1", priority="低",
                organizer="田中 美咲", required="鈴木 一郎", notes="場所は未定。決まり次第連絡します"),
    appointment("ﾐｰﾃｨﾝｸﾞ", "2024/2/5 9:05", "2024/2/5 9:35", place="オンライン", reminder=5,
                notes="半角カナの件名"),
    appointment("建国記念の日", "2024/2/11", "2024/2/12", all_day=True, reminder=None, show="0",
                categories="祝日", yes="オン", no="オフ"),
    # Repeated names in the categories: one of them is dropped.
    appointment("出張（福岡）", "2024/2/14", "2024/2/17", all_day=True, reminder=18 * 60, show="3",
                place="福岡支店", categories="出張, 会議,出張",
                notes="往路: 2/14 7:00 羽田発\n復路: 2/16 19:30 福岡発\nホテル: 博多駅前"),
    appointment("在宅勤務", "2024/2/19 9:00", "2024/2/19 18:00", reminder=None, show="4"),
    appointment("人事面談", "2024/2/21 16:00", "2024/2/21 16:30", place="第2応接室",
                sensitivity="社外秘", priority="高", notes="評価シートを事前に提出"),
    # The last field ends with a comma: the line ends with a comma and a quote.
    appointment("予算会議", "2024/3/4 13:00", "2024/3/4 15:00", place="役員会議室", priority="高,",
                organizer="山田 太郎", required="経理部;営業部", notes="来期予算の説明"),
    appointment("送別会", "2024/3/22 18:30", "2024/3/22 21:00", place='居酒屋 "さくら", 2階', reminder=60,
                notes='会費 5,000円\n幹事: 鈴木\n乾杯の挨拶は "部長"', categories="社内行事"),
    appointment("年度末の棚卸し", "2024/3/29 22:00", "2024/3/30 2:00", place="倉庫",
                notes="懐中電灯\n軍手\n\n在庫表（最新版）"),
    # A note that opens with a line break: the line ends with a comma and a quote.
    appointment("四半期レビュー", "2024/4/3 10:00", "2024/4/3 12:00", place="Room 4",
                notes='\nAgenda:\n- Q4 results\n- Review of the "draft"\n- Next steps, owners',
                organizer="Jane Smith", required="山田 太郎;John Doe"),
    # Copied twice in Outlook: two identical rows.
    appointment("新入社員歓迎会", "2024/4/5 18:00", "2024/4/5 20:00", place="本社 1F ホール",
                categories="社内行事", notes="司会: 佐藤"),
    appointment("新入社員歓迎会", "2024/4/5 18:00", "2024/4/5 20:00", place="本社 1F ホール",
                categories="社内行事", notes="司会: 佐藤"),
    appointment("夏季休暇", "2024/8/13", "2024/8/17", all_day=True, reminder=None, show="3",
                categories="休暇", notes="\n実家に帰省"),
]

# The appointments the English export holds, by their place above.
IN_BOTH = [4, 5, 7, 12, 14]


def field(value):
    """Outlook quotes every value but writes nothing for an empty one."""
    return quoted(value) if value else b""


def export(columns, appointments):
    rows = [[a[key] for _, key in columns] for a in appointments]
    return csv_bytes([[title for title, _ in columns]], quoted) + csv_bytes(rows, field), rows


def in_english(a):
    return {k: IN_ENGLISH.get(v, v) if k in ("AllDay", "AlarmFlag", "Private", "Sensitivity", "Priority")
            else v for k, v in a.items()}


def write_set(folder, name, columns, appointments, options=None):
    data, rows = export(columns, appointments)
    vcs, ics = convert(data, [], []), icalendar(data, rows)
    (folder / (name + ".csv")).write_bytes(data)
    (folder / (name + ".vcs")).write_bytes(vcs)
    (folder / (name + ".ics")).write_bytes(ics)
    if options is not None:
        (folder / (name + "-overrides.option.txt")).write_bytes(sjis(options))
        (folder / (name + "-overrides.ics")).write_bytes(icalendar(data, rows, options.split("\r\n")))
    return vcs, ics


def events(ics):
    """The events without their UID lines, which hash the record."""
    return re.findall(rb"BEGIN:VEVENT\r\n.*?END:VEVENT\r\n", re.sub(rb"UID:[^\r]*\r\n", b"", ics), re.S)


def main():
    vcs, ics = write_set(HERE, "outlook-default-export", JAPANESE, APPOINTMENTS, OPTION_TEXT)
    english = [in_english(APPOINTMENTS[i]) for i in IN_BOTH]
    english_vcs, english_ics = write_set(TEST_DATA, "outlook-default-english", ENGLISH, english)
    # The same appointments give the same events in either layout.
    blocks = [b"BEGIN:VCALENDAR" + b for b in vcs.split(b"BEGIN:VCALENDAR")[1:]]
    assert english_vcs == b"".join(blocks[i] for i in IN_BOTH)
    assert events(english_ics) == [events(ics)[i] for i in IN_BOTH]


if __name__ == "__main__":
    main()
