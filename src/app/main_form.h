#pragma once
// What the main window's handlers do, over the values of its controls, so that
// any front-end (or the command-line converter) can share it.
#include <functional>

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

 private:
  AnsiText option_, filter_;
  std::string input_, output_;
  bool terminate_ = false;
};

// The application's title: the main window's caption and every error box's.
AnsiText ApplicationTitle();
// The caption of the box that reports a finished conversion.
AnsiText CompletionCaption();
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
