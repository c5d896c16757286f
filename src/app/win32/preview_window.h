#pragma once
// The preview window "内容の確認": the summary above a report-style list of
// the export's records (a virtual list over the shell's PreviewModel, filled
// in the background). Writes nothing; closing it ends the reading.
#include <windows.h>

#include <functional>
#include <memory>

#include "conversion/conversion_run.h"

namespace PreviewWindow {

// Runs modally over owner until the user closes it (Escape, 閉じる, the
// close box) or the program is asked to quit. keepZone is told of a zone the
// user chooses, to keep it for the runs.
void ShowModal(HWND owner, ConversionRequest request,
               std::function<void(std::shared_ptr<const TimeZone>)> keepZone = {});

}  // namespace PreviewWindow
