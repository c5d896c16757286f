#pragma once
// The shell's window layouts made into Qt widgets.
#include <QFont>
#include <QString>
#include <map>
#include <string_view>

#include "app/window_layout.h"

class QLabel;
class QWidget;

// A text of the layout (UTF-8).
QString LayoutText(std::string_view text);

// The face of the main window and of every link and bold label: the Japanese
// UI face, or a free one of the same metrics.
QFont MainWindowFont();
// Widens a label that its text would overflow; the height stays.
void FitWidthToText(QLabel* label);

// Creates the layout's controls in window, in the layout's order, each with
// its object name, place, caption, tooltip and Tab place; returns them by
// identifier.
using LayoutWidgets = std::map<int, QWidget*>;
LayoutWidgets CreateLayoutControls(QWidget* window, const WindowLayout& layout);

// The control of that identifier, as the type it was created with.
template <typename Control>
Control* LayoutControl(const LayoutWidgets& controls, int id) {
  const auto found = controls.find(id);
  return found == controls.end() ? nullptr : qobject_cast<Control*>(found->second);
}
