#pragma once
// What the main window's handlers do, over the values of its controls, so that
// any front-end (or the command-line converter) can share it.
#include <functional>
#include <string>

#include "app/window_layout.h"
#include "conversion/conversion_run.h"
#include "text/ansi_text.h"
#include "text/errors.h"

enum class Memo { Option, Filter };
enum class PathEdit { Input, Output };

// The values of the main window's controls: memo texts as AnsiText with CR LF
// line breaks, paths as the file system's own bytes.
class FormControls {
 public:
  virtual ~FormControls() = default;
  virtual AnsiText MemoText(Memo memo) const = 0;
  // Raises PlainError 文字列の大きさがメモの制限を越えました when the memo cannot hold it.
  virtual void SetMemoText(Memo memo, const AnsiText& text) = 0;
  virtual std::string EditText(PathEdit edit) const = 0;
  virtual void SetEditText(PathEdit edit, const std::string& path) = 0;
  virtual bool AutoTerminate() const = 0;
  virtual void SetAutoTerminate(bool ticked) = 0;
  // The zone the preview chose, kept with the paths; empty when none was.
  // No control shows it, so a face need not keep it.
  virtual std::string ZoneName() const { return {}; }
  virtual void SetZoneName(const std::string&) {}
};

// The controls' values without any window: what the command-line converter
// and the tests load the settings into.
class FormValues : public FormControls {
 public:
  AnsiText MemoText(Memo memo) const override { return memo == Memo::Option ? option_ : filter_; }
  void SetMemoText(Memo memo, const AnsiText& text) override;
  std::string EditText(PathEdit edit) const override { return edit == PathEdit::Input ? input_ : output_; }
  void SetEditText(PathEdit edit, const std::string& path) override {
    (edit == PathEdit::Input ? input_ : output_) = path;
  }
  bool AutoTerminate() const override { return terminate_; }
  void SetAutoTerminate(bool ticked) override { terminate_ = ticked; }
  std::string ZoneName() const override { return zone_; }
  void SetZoneName(const std::string& name) override { zone_ = name; }

 private:
  AnsiText option_, filter_;
  std::string input_, output_, zone_;
  bool terminate_ = false;
};

// The application's title: the main window's caption and every error box's.
AnsiText ApplicationTitle();
// The caption and the message of the box that reports a finished conversion.
AnsiText CompletionCaption();
AnsiText CompletionMessage(const ConversionResult& result);
// The message of a memo that cannot hold a text.
AnsiText MemoLimitMessage();

// The file as the memo shows it. Raises FileOpenError or the memo limit error.
void LoadMemoFromFile(FormControls& controls, Memo memo, const std::string& path);
// The memo's text byte for byte. Raises FileCreateError or FileWriteError.
void SaveMemoToFile(const FormControls& controls, Memo memo, const std::string& path);

using ErrorReport = std::function<void(const QuillmerError&)>;

// Side files that exist but could not be loaded (unreadable, too large). Their
// memos stayed empty; saving those over them at exit would destroy the files.
struct UnloadedSideFiles {
  bool option = false;
  bool filter = false;
};

// Fills the controls from option.txt, filter.txt and the INI file named after
// programPath, holding the settings directory's lock shared, so that all three
// come from one save. A missing side file leaves its memo empty and is no
// error; any other failure goes to report (after the lock is let go), and the
// remaining files are still loaded.
UnloadedSideFiles LoadFormSettings(FormControls& controls, const std::string& programPath,
                                   const ErrorReport& report);
// Writes the controls back to the three files, in the same order, holding the
// settings directory's lock so that two programs saving at once never mix
// their files, nor does a program loading see half a save; the first failure
// raises and ends the saving. A side file that could not be loaded is left as
// it is while its memo is still empty. A symbolic link in place of a side file
// is written through only when it has the settings directory's owner.
void SaveFormSettings(const FormControls& controls, const std::string& programPath,
                      UnloadedSideFiles unloaded = {});

// A file given when the program starts (a file manager's "Open with", or Send
// to): the input path, made absolute so that the saved settings still name it.
void TakeFileArgument(FormControls& controls, const std::string& file);

// The request of the convert button: both paths exactly as typed, the line
// views of the two memos, and the format the output's name chooses.
ConversionRequest BuildConversionRequest(const FormControls& controls);
// The request the convert button would make with the saved settings named
// after programPath (SettingsProgramPath() for the program's own). The files
// are only read; load failures go to report as at the window's start.
ConversionRequest SavedSettingsRequest(const std::string& programPath, const ErrorReport& report);
// The zone kept in the settings named after programPath; empty when none is.
std::string SavedZoneName(const std::string& programPath);

// What the convert button leads to once the conversion has run: the
// completion box, and whether the program then ends.
struct ConvertOutcome {
  BoxText box;
  bool quit;
};

// The main window's handlers over a face's controls. A face (a window of some
// toolkit) gives the controls' values as they show and only creates and binds
// the controls; this keeps what they were loaded with, so that a memo line or
// a path the user left alone is saved with its own bytes whatever the control
// made of them: bytes that are no character, UTF-8, a character's second
// encoding, a lone lead byte.
class MainForm final : public FormControls {
 public:
  // programPath names the settings files (SettingsProgramPath()).
  MainForm(FormControls& face, std::string programPath);

  // At the window's start: the settings loaded, the zone of choice made the
  // runs' (an unknown one reported), then a file given to the program fills
  // the input path. A failure goes to report and the next step is still taken.
  void Create(const std::string& fileArgument, const ErrorReport& report);
  // At the window's end: the settings written once, whichever end comes first.
  // Raises the first failure.
  void Destroy();
  // The settings written now, as at a desktop session's end.
  void Save() const;

  // The convert button's request, and what follows its result.
  ConversionRequest Request() const { return BuildConversionRequest(*this); }
  ConvertOutcome Converted(const ConversionResult& result) const;

  AnsiText MemoText(Memo memo) const override;
  void SetMemoText(Memo memo, const AnsiText& text) override;
  std::string EditText(PathEdit edit) const override;
  void SetEditText(PathEdit edit, const std::string& path) override;
  bool AutoTerminate() const override { return face_.AutoTerminate(); }
  void SetAutoTerminate(bool ticked) override { face_.SetAutoTerminate(ticked); }
  std::string ZoneName() const override { return zone_; }
  void SetZoneName(const std::string& name) override { zone_ = name; }
  // The zone the user chose (in the preview): the runs' from now on, and kept.
  void UseZone(std::shared_ptr<const TimeZone> zone);

 private:
  // The bytes a control was given, and what it gave back for them then.
  struct Loaded {
    std::string bytes;
    std::string shown;
  };

  FormControls& face_;
  std::string programPath_;
  UnloadedSideFiles unloaded_;
  Loaded memos_[2], paths_[2];
  std::string zone_;
  bool destroyed_ = false;
};
