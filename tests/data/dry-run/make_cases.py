#!/usr/bin/env python3
# The dry-run comparison cases, written apart from the converter: for each
# old output NAME.ics or NAME.vcs, the export NAME.csv converted again must
# give NAME.ics.report or NAME.vcs.report (the zone is the report's).
# week-after: the sample export a week on (two appointments deleted, one
# renamed, one added), against the sample's own golden outputs.
# new-york: hand-written old outputs (escapes, folds, soft breaks, an all-day
# date, times next to New York's clock changes) that nothing new matches.
import shutil

src = open('../../../examples/outlook-export.csv', 'rb').read().decode('cp932')
text = src


def drop(prefix):
    global text
    start = text.index('\r\n"' + prefix) + 2
    end = text.index('\r\n"', start) + 2
    text = text[:start] + text[end:]


drop('朝会",')
drop('忘年会",')
text = text.replace('"取引先との打合せ"', '"取引先との打合せ（延期）"')
new = '"棚卸しの振り返り","倉庫","2024/04/05","10:00:00","2024/04/05","11:00:00","FALSE","2024/04/05","9:45:00",""\r\n'
at = text.index('"新入社員研修')
text = text[:at] + new + text[at:]
open('week-after.csv', 'wb').write(text.encode('cp932'))
shutil.copy('../../../examples/outlook-export.ics', 'week-after.ics')
shutil.copy('../../../examples/outlook-export.vcs', 'week-after.vcs')

advice = ('前回だけの予定は、前回の変換のあと Outlook で変更または削除された予定です。'
          '前回の出力を取り込んだカレンダーからは、これらを手で削除してください。\n')


def report(count, fmt, zone, counts, gone):
    r = ('・出力: 書き込んでいません (--dry-run)\n・変換対象: %d件\n・フィルタ対象: 0件\n・地域設定: ja-JP\n'
         '・タイムゾーン: %s\n・出力形式: %s\n' % (count, zone, fmt))
    r += '・新規: %d件\n・前回と同じ: %d件\n・前回だけ: %d件\n' % (counts[0], counts[1], len(gone))
    r += ''.join('    %s  %s\n' % g for g in gone)
    return r + (advice if gone else '')


gone = [('2024/01/16 08:30', '朝会'), ('2024/04/10 15:00', '取引先との打合せ'), ('2024/12/27 19:00', '忘年会')]
for ext, fmt in (('ics', 'iCalendar 2.0'), ('vcs', 'vCalendar 1.0')):
    open('week-after.%s.report' % ext, 'w').write(report(19, fmt, 'Asia/Tokyo (UTC+9)', (2, 17), gone))

ny = ('"Subject","Location","Start","Time","End","Time","Alarm","Date","Time","Notes"\r\n'
      '"Standup","Room 1","2024/01/10","9:00:00","2024/01/10","9:15:00","FALSE","","",""\r\n'
      '"Picnic","Park","2024/07/04","12:00:00","2024/07/04","15:00:00","FALSE","","",""\r\n')
open('new-york.csv', 'wb').write(ny.encode())
# 14:00Z is 09:00 EST; 07:00Z on 10 March is 03:00 EDT, the first minute after the gap.
ics = ['BEGIN:VCALENDAR', 'VERSION:2.0', 'PRODID:-//Quillmer//Quillmer 1.0.2.24//EN', 'CALSCALE:GREGORIAN',
       'BEGIN:VEVENT', 'UID:quillmer-00000000000000a1-1', 'DTSTAMP:20240101T000000Z',
       'DTSTART:20240110T140000Z', 'DTEND:20240110T141500Z', 'SUMMARY:Board\\, Q1\\; budget \\\\ plan', 'END:VEVENT',
       'BEGIN:VEVENT', 'UID:quillmer-00000000000000a2-1', 'DTSTAMP:20240101T000000Z',
       'DTSTART:20240310T070000Z', 'DTEND:20240310T080000Z',
       'SUMMARY:Clocks go forward: the first meeting after the change of the clock',
       '  in New York, 日本語も', 'END:VEVENT',
       'BEGIN:VEVENT', 'UID:quillmer-00000000000000a3-1', 'DTSTAMP:20240101T000000Z',
       'DTSTART;VALUE=DATE:20240311', 'DTEND;VALUE=DATE:20240316', 'SUMMARY:Spring break\\nall week',
       'BEGIN:VALARM', 'ACTION:DISPLAY', 'DESCRIPTION:Not the title', 'TRIGGER;VALUE=DATE-TIME:20240310T230000Z',
       'END:VALARM', 'END:VEVENT', 'END:VCALENDAR']
open('new-york.ics', 'wb').write(('\r\n'.join(ics) + '\r\n').encode())
# 05:30Z on 3 November is 01:30 EDT, the first of the two 01:30s. The block twice: both are listed.
vcs = ['BEGIN:VCALENDAR', 'BEGIN:VEVENT', 'VERSION:1.0', 'SUMMARY;ENCODING=QUOTED-PRINTABLE:=E5=AE=9A=E4=BE=8B=',
       '=E4=BC=9A=E8=AD=B0 =3D 1', 'DTSTART:20241103T053000Z', 'DTEND:20241103T063000Z',
       'DALARM;ENCODING=QUOTED-PRINTABLE:00000000T000000Z;', 'DESCRIPTION;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:()',
       'END:VEVENT', 'END:VCALENDAR']
open('new-york.vcs', 'wb').write(('\r\n'.join(vcs + vcs) + '\r\n').encode())
zone = 'America/New_York (UTC-5 / UTC-4)'
open('new-york.ics.report', 'w').write(report(2, 'iCalendar 2.0', zone, (2, 0), [
    ('2024/01/10 09:00', 'Board, Q1; budget \\ plan'),
    ('2024/03/10 03:00', 'Clocks go forward: the first meeting after the change of the clock in New York, 日本語も'),
    ('2024/03/11', 'Spring break all week')]))
open('new-york.vcs.report', 'w').write(report(2, 'vCalendar 1.0', zone, (2, 0), [
    ('2024/11/03 01:30', '定例会議 = 1'), ('2024/11/03 01:30', '定例会議 = 1')]))
