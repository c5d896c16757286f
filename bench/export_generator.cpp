#include "export_generator.h"

#include <random>
#include <vector>

#include "platform/code_page.h"

namespace {

std::vector<std::string> Cp932(std::initializer_list<const char*> utf8) {
  std::vector<std::string> texts;
  for (const char* text : utf8) texts.push_back(platform::Cp932FromUtf8(text));
  return texts;
}

struct Vocabulary {
  std::vector<std::string> titles = Cp932({
      "定例会議", "朝会", "週次ミーティング", "打ち合わせ（A社, B社）", "月末締め処理", "顧客訪問",
      "プロジェクト進捗報告", "新製品発表会のリハーサル", "面接", "研修", "出張（大阪）", "ランチ",
      "Weekly sync", "1on1", "【私用】歯医者", "予算会議", "品質レビュー", "ﾐｰﾃｨﾝｸﾞ", "売上目標=前年比110%",
      "取引先との打合せ", "システム保守作業", "部内勉強会"});
  std::vector<std::string> places = Cp932({
      "本社 3F 会議室A", "第2会議室", "大阪支店, 会議室3", "オンライン", "研修センター", "役員会議室",
      "レストラン \"さくら\"", "Room 4", " 本社 ", "客先", "東京駅", "倉庫"});
  std::vector<std::string> phrases = Cp932({
      "資料持参", "議事録は共有フォルダへ格納すること。", "見積書, 提案書を確認", "先方の担当者：山田様",
      "前回の宿題を確認する", "予約済み（4名）", "会費 5,000円", "\"重要\"な案件", "Bring the latest build numbers.",
      "課題と対策を整理", "表計算ソフトの集計表を更新", "懐中電灯と軍手", "欠席者は代理を立てること",
      "次回までにレビューを完了", "交通費精算を忘れずに"});
};

const int kMonthDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};

bool IsLeap(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

struct Moment {
  int year, month, day, minutes;  // minutes since midnight

  void AddMinutes(int delta) {
    minutes += delta;
    while (minutes >= 24 * 60) {
      minutes -= 24 * 60;
      const int length = kMonthDays[month - 1] + (month == 2 && IsLeap(year));
      if (++day > length) {
        day = 1;
        if (++month > 12) month = 1, ++year;
      }
    }
    while (minutes < 0) {
      minutes += 24 * 60;
      if (--day == 0) {
        if (--month == 0) month = 12, --year;
        day = kMonthDays[month - 1] + (month == 2 && IsLeap(year));
      }
    }
  }
  std::string Date() const {
    char text[16];
    std::snprintf(text, sizeof text, "%04d/%02d/%02d", year % 10000, month % 100, day % 100);
    return text;
  }
  std::string Time() const {
    char text[16];
    std::snprintf(text, sizeof text, "%d:%02d:00", (minutes / 60) % 100, minutes % 60);
    return text;
  }
};

void AppendField(std::string& out, const std::string& value) {
  out += '"';
  for (char c : value) {
    out += c;
    if (c == '"') out += '"';
  }
  out += '"';
}

}  // namespace

bool ExportMixByName(std::string_view name, ExportMix& mix) {
  if (name == "short") mix = ExportMix::Short;
  else if (name == "calendar") mix = ExportMix::Calendar;
  else if (name == "tiny") mix = ExportMix::Tiny;
  else if (name == "outlook") mix = ExportMix::Outlook;
  else return false;
  return true;
}

std::string MakeExport(int appointments, unsigned seed, ExportMix mix) {
  static const Vocabulary words;
  std::mt19937 rng(seed);
  auto pick = [&rng](const std::vector<std::string>& from) -> const std::string& { return from[rng() % from.size()]; };

  const bool outlook = mix == ExportMix::Outlook;
  std::string out = platform::Cp932FromUtf8(
      outlook ? "\"件名\",\"開始日\",\"開始時刻\",\"終了日\",\"終了時刻\",\"終日イベント\",\"アラーム オン/オフ\","
                "\"アラーム日付\",\"アラーム時刻\",\"会議の開催者\",\"必須出席者\",\"任意出席者\",\"リソース\","
                "\"プライベート\",\"経費情報\",\"公開する時間帯の種類\",\"支払い条件\",\"場所\",\"内容\",\"秘密度\","
                "\"分類\",\"優先度\"\r\n"
              : "\"件名\",\"場所\",\"開始日\",\"開始時刻\",\"終了日\",\"終了時刻\",\"アラーム オン/オフ\","
                "\"アラーム日付\",\"アラーム時刻\",\"内容\"\r\n");
  // The columns only Outlook's layout has draw from a generator of their
  // own, so that the appointments are those of the calendar mix.
  std::mt19937 extra(seed + 1);
  auto pickExtra = [&extra](const std::vector<std::string>& from) -> const std::string& { return from[extra() % from.size()]; };
  static const std::vector<std::string> people = Cp932({"山田 太郎", "佐藤 花子", "鈴木 一郎;田中 次郎", ""});
  static const std::vector<std::string> categories = Cp932({"", "", "仕事", "仕事,重要", "個人"});
  out.reserve(static_cast<std::size_t>(appointments) * 420);
  for (int i = 0; i < appointments; ++i) {
    Moment start{2020 + static_cast<int>(rng() % 10), 1 + static_cast<int>(rng() % 12), 1, 0};
    start.day = 1 + static_cast<int>(rng() % static_cast<unsigned>(kMonthDays[start.month - 1] +
                                                                     (start.month == 2 && IsLeap(start.year))));
    start.minutes = static_cast<int>(rng() % 96) * 15;
    Moment end = start;
    end.AddMinutes(30 + static_cast<int>(rng() % 12) * 15);
    Moment alarm = start;
    alarm.AddMinutes(-15);
    const bool alarmOn = rng() % 5 < 2;

    std::string notes;
    const unsigned kind = rng() % 100;
    int lines = 0;
    switch (mix) {
      case ExportMix::Short:
        lines = kind < 40 ? 0 : kind < 80 ? 1 : kind < 95 ? 2 + static_cast<int>(rng() % 5) : 30 + static_cast<int>(rng() % 90);
        break;
      case ExportMix::Calendar:
      case ExportMix::Outlook:
        lines = kind < 25 ? 0 : kind < 42 ? 1 : kind < 95 ? 2 + static_cast<int>(rng() % 11) : 30 + static_cast<int>(rng() % 90);
        break;
      case ExportMix::Tiny:
        break;
    }
    for (int line = 0; line < lines; ++line) {
      if (line > 0) notes += "\r\n";
      const int phrases = 1 + static_cast<int>(rng() % (mix == ExportMix::Calendar || outlook ? 5 : 3));
      for (int p = 0; p < phrases; ++p) notes += pick(words.phrases);
    }

    const bool tiny = mix == ExportMix::Tiny;
    const std::string title = pick(words.titles);
    const std::string place = tiny || rng() % 7 == 0 ? std::string() : pick(words.places);
    if (outlook) {
      // Unset values are written as nothing; a reminder that is off has
      // neither date nor time.
      const std::string fields[] = {title, start.Date(), start.Time(), end.Date(), end.Time(), "False",
                                    alarmOn ? "True" : "False", alarmOn ? alarm.Date() : "", alarmOn ? alarm.Time() : "",
                                    pickExtra(people), pickExtra(people), "", "", "False", "", "2", "", place, notes,
                                    platform::Cp932FromUtf8("標準"), pickExtra(categories), platform::Cp932FromUtf8("標準")};
      for (std::size_t f = 0; f < std::size(fields); ++f) {
        if (f > 0) out += ',';
        if (!fields[f].empty()) AppendField(out, fields[f]);
      }
    } else {
      const std::string fields[] = {title, place, start.Date(), start.Time(), end.Date(), end.Time(),
                                    alarmOn ? "TRUE" : "FALSE", alarm.Date(), alarm.Time(), notes};
      for (std::size_t f = 0; f < std::size(fields); ++f) {
        if (f > 0) out += ',';
        AppendField(out, fields[f]);
      }
    }
    out += "\r\n";
  }
  return out;
}

std::string MakeFilterLines(int count, unsigned seed) {
  std::mt19937 random(seed);
  const std::vector<std::string> kanji = Cp932({"会", "議", "予", "算", "品", "質", "定", "例", "打", "合",
                                                "資", "料", "顧", "客", "研", "修", "本", "社", "確", "認"});
  const std::vector<std::string> endings = Cp932({"案件", "定例", "打合せ", "確認", "【社外秘】"});
  const char* const names[] = {"Alpha", "Bravo", "Delta", "Orion", "Vega"};
  std::string out;
  for (int i = 0; i < count; ++i) {
    if (i % 2 == 0) {
      const int length = 2 + static_cast<int>(random() % 3);
      for (int k = 0; k < length; ++k) out += kanji[random() % kanji.size()];
      out += endings[random() % endings.size()];
    } else {
      char name[48];
      std::snprintf(name, sizeof name, "Project-%s-%03d", names[random() % 5], i);
      out += name;
    }
    out += "\r\n";
  }
  return out;
}

std::string MakeNumberedFilterLines(int count) {
  const std::string head = platform::Cp932FromUtf8("本社 X");
  std::string out;
  for (int i = 1; i <= count; ++i) {
    char number[16];
    std::snprintf(number, sizeof number, "%06d", i % 1000000);
    out += head + number + "\r\n";
  }
  return out;
}

std::string MakeLongRecordExport(std::string_view kind, std::size_t bytes) {
  const bool several = kind == "titles-ja";
  if (several) kind = "title-ja";
  const bool title = kind == "title-ascii" || kind == "title-ja";
  const bool notes = kind == "notes-ja" || kind == "notes-quoted";
  if (!title && !notes) return {};
  // A line of about 1 KB, repeated: the title's has no line break.
  std::string unit = kind == "title-ascii" ? std::string(1000, 'a') : platform::Cp932FromUtf8("会議資料の確認。");
  if (kind == "notes-quoted") unit += "\"\"q\"\"";
  std::string line;
  while (line.size() < 1000) line += unit;
  if (notes) line += "\r\n";
  std::string text;
  text.reserve(bytes + 1024);
  while (text.size() + line.size() <= bytes) text += line;
  const auto record = [](std::string_view titleText, std::string_view notesText) {
    return "\"" + std::string(titleText) + "\",\"place\",\"2024/01/09\",\"10:00:00\",\"2024/01/09\",\"11:00:00\","
           "\"TRUE\",\"2024/01/09\",\"9:45:00\",\"" + std::string(notesText) + "\"\r\n";
  };
  return platform::Cp932FromUtf8("\"件名\",\"場所\",\"開始日\",\"開始時刻\",\"終了日\",\"終了時刻\",\"アラーム\","
                                 "\"アラーム日付\",\"アラーム時刻\",\"内容\"\r\n") +
         record("a", "n") + (title ? record(text, "n") : record("t", text)) +
         (several ? record(text, "n") + record(text, "n") + record(text, "n") + record(text, "n") : "") +
         record("b", "n");
}
