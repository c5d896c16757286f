#include "app/qt/desktop.h"

#include <QDesktopServices>
#include <QTimer>

namespace {

MessageBoxHook& BoxHook() {
  static MessageBoxHook hook;
  return hook;
}

LinkHook& LinkOpener() {
  static LinkHook hook;
  return hook;
}

}  // namespace

void ShowMessageBox(QWidget* owner, QMessageBox::Icon icon, const QString& caption, const QString& text) {
  QString shown = text;
  shown.replace(QLatin1String("\r\n"), QLatin1String("\n"));
  QMessageBox box(icon, caption, shown, QMessageBox::Ok, owner);
  // Paths and messages are shown as they are, never read as markup.
  box.setTextFormat(Qt::PlainText);
  box.setDefaultButton(QMessageBox::Ok);
  if (const MessageBoxHook& hook = BoxHook()) QTimer::singleShot(0, &box, [&box, hook] { hook(box); });
  box.exec();
}

void OpenLink(const QUrl& address) {
  if (const LinkHook& hook = LinkOpener()) {
    hook(address);
    return;
  }
  QDesktopServices::openUrl(address);
}

void SetMessageBoxHookForTesting(MessageBoxHook hook) { BoxHook() = std::move(hook); }

void SetLinkHookForTesting(LinkHook hook) { LinkOpener() = std::move(hook); }
