#pragma once
// Text crosses between the windows (UTF-16) and the rest of the program
// (AnsiText of the ANSI code page) only here.
#include <QString>
#include <string_view>

#include "text/ansi_text.h"

QString QStringFromAnsi(std::string_view text);
AnsiText AnsiFromQString(const QString& text);
