#include "app/main_form.h"

#include <exception>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "app/memo_text.h"
#include "app/path_choice.h"
#include "app/regional_choice.h"
#include "app/settings.h"
#include "platform/code_page.h"
#include "platform/directories.h"
#include "platform/files.h"
#include "text/text_settings.h"

namespace {

constexpr std::string_view kSection = "i/o";
constexpr std::string_view kInputKey = "input";
constexpr std::string_view kOutputKey = "output";
constexpr std::string_view kTerminateKey = "terminate";
constexpr std::string_view kZoneKey = "zone";
constexpr std::string_view kOptionFile = "option.txt";
constexpr std::string_view kFilterFile = "filter.txt";

}  // namespace

AnsiText ApplicationTitle() { return AnsiText(MainWindowLayout().caption); }

AnsiText CompletionCaption() { return platform::Cp932FromUtf8("変換の完了"); }

AnsiText CompletionMessage(const ConversionResult& result) {
  static const AnsiText done = platform::Cp932FromUtf8("変換と出力が完了しました\r\n\r\n・変換対象: ");
  static const AnsiText filteredHead = platform::Cp932FromUtf8("件\r\n・フィルタ対象: ");
  static const AnsiText unit = platform::Cp932FromUtf8("件");
  return done + std::to_string(result.ConvertedCount) + filteredHead + std::to_string(result.FilteredCount) + unit;
}

AnsiText MemoLimitMessage() {
  return platform::Cp932FromUtf8("文字列の大きさがメモの制限を越えました");
}

void FormValues::SetMemoText(Memo memo, const AnsiText& text) {
  CheckMemoTextLimit(text);
  (memo == Memo::Option ? option_ : filter_) = text;
}

void LoadMemoFromFile(FormControls& controls, Memo memo, const std::string& path) {
  AnsiText text = ReadMemoFile(path);
  if (text != controls.MemoText(memo)) controls.SetMemoText(memo, text);
}

void SaveMemoToFile(const FormControls& controls, Memo memo, const std::string& path) {
  WriteMemoFile(path, controls.MemoText(memo));
}

UnloadedSideFiles LoadFormSettings(FormControls& controls, const std::string& programPath,
                                   const ErrorReport& report) {
  UnloadedSideFiles unloaded;
  // Reported once the lock is let go: a box left open must not keep another
  // program from saving.
  std::vector<std::exception_ptr> errors;
  {
    const platform::FileLock lock(SideFilePath(programPath, ""), platform::LockMode::Shared);
    for (auto [memo, name, failed] : {std::tuple{Memo::Option, kOptionFile, &unloaded.option},
                                      std::tuple{Memo::Filter, kFilterFile, &unloaded.filter}}) {
      const std::string path = SideFilePath(programPath, name);
      try {
        LoadMemoFromFile(controls, memo, path);
      } catch (const FileOpenError&) {
        // Neither side file exists before the first orderly exit.
        if (platform::PathExists(path)) {
          *failed = true;
          errors.push_back(std::current_exception());
        }
      } catch (const QuillmerError&) {
        *failed = true;
        errors.push_back(std::current_exception());
      }
    }
    const SettingsFile settings(IniPath(programPath));
    controls.SetEditText(PathEdit::Input, settings.ReadPath(kSection, kInputKey));
    controls.SetEditText(PathEdit::Output, settings.ReadPath(kSection, kOutputKey));
    controls.SetAutoTerminate(settings.ReadFlag(kSection, kTerminateKey, false));
    controls.SetZoneName(settings.ReadText(kSection, kZoneKey, ""));
  }
  for (const std::exception_ptr& error : errors) {
    try {
      std::rethrow_exception(error);
    } catch (const QuillmerError& shown) {
      report(shown);
    }
  }
  return unloaded;
}

void SaveFormSettings(const FormControls& controls, const std::string& programPath, UnloadedSideFiles unloaded) {
  // The per-user settings directory may not exist yet; a failure here shows up
  // as the first file's own error.
  platform::CreateDirectories(SideFilePath(programPath, ""));
  const platform::FileLock lock(SideFilePath(programPath, ""));
  for (auto [memo, name, failed] : {std::tuple{Memo::Option, kOptionFile, unloaded.option},
                                    std::tuple{Memo::Filter, kFilterFile, unloaded.filter}}) {
    // What the user typed after a failed load is saved; an untouched memo is not.
    if (failed && controls.MemoText(memo).empty()) continue;
    SaveMemoToFile(controls, memo, SideFilePath(programPath, name));
  }
  SettingsFile settings(IniPath(programPath));
  settings.WritePath(kSection, kInputKey, controls.EditText(PathEdit::Input));
  settings.WritePath(kSection, kOutputKey, controls.EditText(PathEdit::Output));
  settings.WriteFlag(kSection, kTerminateKey, controls.AutoTerminate());
  // Settings of a program that never chose a zone stay as they were.
  const std::string zone = controls.ZoneName();
  if (!zone.empty() || !settings.ReadText(kSection, kZoneKey, "").empty()) settings.WriteText(kSection, kZoneKey, zone);
}

void TakeFileArgument(FormControls& controls, const std::string& file) {
  if (!file.empty()) controls.SetEditText(PathEdit::Input, platform::FullPath(file));
}

ConversionRequest BuildConversionRequest(const FormControls& controls) {
  ConversionRequest request;
  request.InputPath = controls.EditText(PathEdit::Input);
  request.OutputPath = controls.EditText(PathEdit::Output);
  request.Format = FormatForOutputPath(request.OutputPath);
  request.OptionLines = MemoLines(controls.MemoText(Memo::Option));
  request.FilterLines = MemoLines(controls.MemoText(Memo::Filter));
  return request;
}

ConversionRequest SavedSettingsRequest(const std::string& programPath, const ErrorReport& report) {
  FormValues values;
  LoadFormSettings(values, programPath, report);
  return BuildConversionRequest(values);
}

std::string SavedZoneName(const std::string& programPath) {
  return SettingsFile(IniPath(programPath)).ReadText(kSection, kZoneKey, "");
}

MainForm::MainForm(FormControls& face, std::string programPath) : face_(face), programPath_(std::move(programPath)) {}

void MainForm::Create(const std::string& fileArgument, const ErrorReport& report) {
  try {
    unloaded_ = LoadFormSettings(*this, programPath_, report);
  } catch (const QuillmerError& error) {
    report(error);
  }
  if (const std::optional<PlainError> unknown = UseZoneOfChoice(zone_)) report(*unknown);
  try {
    TakeFileArgument(*this, fileArgument);
  } catch (const QuillmerError& error) {
    report(error);
  }
}

void MainForm::UseZone(std::shared_ptr<const TimeZone> zone) {
  zone_ = zone->Name();
  UseTimeZone(std::move(zone));
}

void MainForm::Destroy() {
  if (destroyed_) return;
  destroyed_ = true;
  Save();
}

void MainForm::Save() const { SaveFormSettings(*this, programPath_, unloaded_); }

ConvertOutcome MainForm::Converted(const ConversionResult& result) const {
  return {{CompletionCaption(), CompletionMessage(result), BoxIcon::Information}, AutoTerminate()};
}

AnsiText MainForm::MemoText(Memo memo) const {
  const Loaded& loaded = memos_[memo == Memo::Option ? 0 : 1];
  const AnsiText shown = face_.MemoText(memo);
  if (shown == loaded.shown) return loaded.bytes;
  return KeepLoadedBytes(loaded.bytes, shown);
}

void MainForm::SetMemoText(Memo memo, const AnsiText& text) {
  CheckMemoTextLimit(text);
  face_.SetMemoText(memo, text);
  memos_[memo == Memo::Option ? 0 : 1] = {text, face_.MemoText(memo)};
}

std::string MainForm::EditText(PathEdit edit) const {
  const Loaded& loaded = paths_[edit == PathEdit::Input ? 0 : 1];
  std::string shown = face_.EditText(edit);
  return shown == loaded.shown ? loaded.bytes : shown;
}

void MainForm::SetEditText(PathEdit edit, const std::string& path) {
  face_.SetEditText(edit, path);
  paths_[edit == PathEdit::Input ? 0 : 1] = {path, face_.EditText(edit)};
}
