#!/usr/bin/env python3
"""Wall-clock times of an export read in a zone, through quillmer-convert,
against Python's zoneinfo over the same tzdata: every start, end and alarm
must land on the instant zoneinfo gives with fold=0, which is RFC 5545's
reading (a time the clocks skip takes the offset before the gap, a time
they show twice is the first of the two).

usage: zone_cases_test.py QUILLMER_CONVERT
"""
import os
import subprocess
import sys
import tempfile
from datetime import datetime, timezone
from zoneinfo import ZoneInfo

# zone, local date and time (year, month, day, hour, minute), what the row is
CASES = [
    ("America/New_York", (2024, 3, 10, 2, 30), "skipped: spring forward"),
    ("America/New_York", (2024, 3, 10, 1, 59), "last minute before the gap"),
    ("America/New_York", (2024, 3, 10, 3, 0), "first minute after the gap"),
    ("America/New_York", (2024, 11, 3, 1, 30), "repeated: fall back"),
    ("America/New_York", (2024, 11, 3, 2, 0), "after the repeat"),
    ("America/New_York", (2024, 12, 31, 21, 0), "UTC is next year"),
    ("America/New_York", (1960, 6, 1, 12, 0), "older rules"),
    ("America/New_York", (2061, 3, 13, 2, 30), "gap past the table, by the closing rule"),
    ("Europe/London", (2024, 3, 31, 1, 30), "skipped"),
    ("Europe/London", (2024, 10, 27, 1, 30), "repeated"),
    ("Europe/London", (1970, 1, 15, 12, 0), "British Standard Time all winter"),
    ("Europe/London", (2024, 1, 15, 0, 0), "the same as UTC"),
    ("Australia/Sydney", (2024, 10, 6, 2, 30), "skipped: spring forward in October"),
    ("Australia/Sydney", (2024, 4, 7, 2, 30), "repeated: fall back in April"),
    ("Australia/Sydney", (2024, 1, 1, 5, 0), "UTC is last year"),
    ("Australia/Sydney", (2077, 4, 4, 2, 30), "repeat past the table"),
    ("UTC", (2024, 3, 10, 2, 30), "no offset"),
]

HEADER = '"title","place","start date","start time","end date","end time","alarm","alarm date","alarm time","notes"'


def utc_stamp(zone, t):
    local = datetime(*t, tzinfo=ZoneInfo(zone))
    return local.astimezone(timezone.utc).strftime("%Y%m%dT%H%M%SZ")


def fields(t, profile):
    y, mo, d, h, mi = t
    if profile == "en-US":  # month first, the 12-hour clock: the general reading
        return f"{mo}/{d}/{y}", f"{(h + 11) % 12 + 1}:{mi:02}:00 {'AM' if h < 12 else 'PM'}"
    return f"{y}/{mo:02}/{d:02}", f"{h}:{mi:02}:00"


def export(rows, profile):
    lines = [HEADER]
    for t in rows:
        date, time = fields(t, profile)
        lines.append(f'"x","","{date}","{time}","{date}","{time}","TRUE","{date}","{time}",""')
    return ("\r\n".join(lines) + "\r\n").encode("cp932")


def stamps(output, prefixes):
    found = []
    for line in output.decode("utf-8").split("\r\n"):
        for prefix in prefixes:
            if line.startswith(prefix):
                found.append(line[len(prefix):].rstrip(";"))
    return found


def main():
    convert = sys.argv[1]
    failures = 0
    zones = sorted({zone for zone, _, _ in CASES})
    with tempfile.TemporaryDirectory() as work:
        for zone in zones:
            rows = [(t, what) for z, t, what in CASES if z == zone]
            for profile, fmt, prefixes, env_zone in [
                ("ja-JP", "ics", ["DTSTART:", "DTEND:", "TRIGGER;VALUE=DATE-TIME:"], False),
                ("en-US", "vcs", ["DTSTART:", "DTEND:", "DALARM;ENCODING=QUOTED-PRINTABLE:"], True),
            ]:
                src = os.path.join(work, "in.csv")
                out = os.path.join(work, "out." + fmt)
                with open(src, "wb") as f:
                    f.write(export([t for t, _ in rows], profile))
                env = dict(os.environ, SOURCE_DATE_EPOCH="0", QUILLMER_LOCALE=profile)
                args = [convert, src, out]
                # The variable chooses as the option does.
                if env_zone:
                    env["QUILLMER_ZONE"] = zone
                else:
                    args += ["--zone", zone]
                subprocess.run(args, env=env, check=True, stdout=subprocess.DEVNULL)
                with open(out, "rb") as f:
                    got = stamps(f.read(), prefixes)
                for i, (t, what) in enumerate(rows):
                    want = utc_stamp(zone, t)
                    for kind, stamp in zip(("start", "end", "alarm"), got[3 * i:3 * i + 3]):
                        if stamp != want:
                            failures += 1
                            print(f"FAIL {zone} {t} ({what}, {profile}, {kind}): got {stamp}, want {want}")
                if len(got) != 3 * len(rows):
                    failures += 1
                    print(f"FAIL {zone} {profile}: {len(got)} stamps for {len(rows)} rows")
    checked = 6 * len(CASES)
    print(f"{checked - failures} passed, {failures} failed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
