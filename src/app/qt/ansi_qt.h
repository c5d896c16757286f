#pragma once
// Text crosses between the windows (UTF-16) and the rest of the program
// (AnsiText of the ANSI code page) only here.
#include <QString>
#include <string_view>

#include "text/ansi_text.h"

// Text of the active code page: what the user typed or a file holds.
QString QStringFromAnsi(std::string_view text);
// The program's own texts (code page 932), whatever the profile.
QString QStringFromFixed(std::string_view text);
AnsiText AnsiFromQString(const QString& text);
