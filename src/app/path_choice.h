#pragma once
// What the path boxes mean and offer, the same in every window: the format an
// output's name chooses, and what the file choosers list and suggest.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "app/main_form.h"
#include "conversion/conversion_run.h"
#include "platform/path.h"
#include "text/ansi_text.h"

// Windows drops blanks and dots at the end of a name when it creates the file,
// so "a.ics " becomes a.ics there.
#ifdef _WIN32
inline constexpr bool NamesLoseTrailingDotsAndBlanks = true;
#else
inline constexpr bool NamesLoseTrailingDotsAndBlanks = false;
#endif

// iCalendar for a name ending in ".ics" (any letter case), vCalendar for every
// other name, the standard output included.
OutputFormat FormatForOutputPath(std::string_view path,
                                 bool namesLoseTrailingDotsAndBlanks = NamesLoseTrailingDotsAndBlanks);

struct FileFilter {
  AnsiText name;          // as the chooser lists it (code page 932), its pattern in parentheses
  std::string pattern;    // "*.ics"
  std::string extension;  // ".ics"; empty when any name fits
};

// What a path box asks of the file chooser.
struct PathChoice {
  bool save = false;  // a file to write rather than one to read
  AnsiText caption;   // code page 932
  std::vector<FileFilter> filters;
  std::size_t filter = 0;  // the one selected at first
  // The file offered, in the folder the chooser opens on; empty for neither.
  std::string startPath;
};

// The input's chooser offers the input; the output's offers the input's name
// with the extension of the output's current format (iCalendar when there is
// no output yet) in the input's folder, or without an input the output itself.
// Paths are handled as bytes, their folders ended as the style says.
PathChoice ChoiceForPathEdit(const FormControls& controls, PathEdit edit,
                             platform::PathStyle style = platform::NativePathStyle);

// The path the user chose with the filter selected last: a name without an
// extension gets that filter's, as the name then decides the format.
std::string ChosenPath(const PathChoice& choice, std::string path, std::size_t filter,
                       platform::PathStyle style = platform::NativePathStyle);
