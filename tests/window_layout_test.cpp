#include "app/window_layout.h"

#include <gtest/gtest.h>

#include <set>

namespace {

// What the windows rely on: names and identifiers that find one control,
// parents that are group boxes listed before their controls, controls inside
// their parent and the window, and a Tab order without gaps.
TEST(WindowLayout, EveryControlCanBeFoundAndLiesInsideItsParent) {
  for (const WindowLayout* window : {&MainWindowLayout(), &AboutBoxLayout(), &PreviewLayout()}) {
    SCOPED_TRACE(window->name);
    std::set<std::string_view> names;
    std::set<int> ids, tabs;
    for (const ControlLayout& control : window->controls) {
      SCOPED_TRACE(control.name);
      EXPECT_TRUE(names.insert(control.name).second);
      if (control.kind != ControlKind::Frame) {
        EXPECT_TRUE(ids.insert(control.id).second);
        EXPECT_EQ(FindControl(*window, control.id), &control);
      }
      if (control.tab > 0) tabs.insert(control.tab);
      const LayoutRect r = WindowRect(*window, control);
      EXPECT_TRUE(r.left >= 0 && r.top >= 0 && r.left + r.width <= window->width && r.top + r.height <= window->height);
      if (control.parent == 0) continue;
      EXPECT_TRUE(ids.contains(control.parent));
      const ControlLayout* parent = FindControl(*window, control.parent);
      ASSERT_TRUE(parent != nullptr && parent->kind == ControlKind::GroupBox);
      EXPECT_TRUE(control.rect.left + control.rect.width <= parent->rect.width &&
                  control.rect.top + control.rect.height <= parent->rect.height);
    }
    EXPECT_EQ(tabs.size(), static_cast<std::size_t>(tabs.empty() ? 0 : *tabs.rbegin()));
  }
}

TEST(WindowLayout, OnlyTheMailLinkWarnsFirst) {
  const ControlLayout* mail = FindControl(AboutBoxLayout(), AboutControl::MailLink);
  const LinkClick click = ClickOnLink(*mail);
  EXPECT_TRUE(click.warnFirst);
  EXPECT_EQ(click.address, "mailto:support@example.com");
  EXPECT_FALSE(ClickOnLink(*FindControl(AboutBoxLayout(), AboutControl::UsersSiteLink)).warnFirst);
}

}  // namespace
