#pragma once
// Large Outlook exports of our own making, for benchmarks: the ten columns in
// code page 932, CR LF, a realistic mix of short and multi-line notes (some
// several KB long), alarms on and off, commas and doubled quotes in fields.
// The same count and seed always give the same bytes.
#include <string>

std::string MakeExport(int appointments, unsigned seed = 1);
