#include "app/qt/desktop.h"

#include <QDesktopServices>
#include <QEvent>
#include <QFileDialog>
#include <QScreen>
#include <QTimer>
#include <QWidget>

#include "app/qt/ansi_qt.h"

namespace {

MessageBoxHook& BoxHook() {
  static MessageBoxHook hook;
  return hook;
}

LinkHook& LinkOpener() {
  static LinkHook hook;
  return hook;
}

FileChooserHook& ChooserHook() {
  static FileChooserHook hook;
  return hook;
}

void CentreByFrame(QWidget* window) {
  const QScreen* screen = window->screen();
  if (screen == nullptr) return;
  // frameGeometry() is the client area until the window manager has framed it.
  QRect frame = window->frameGeometry();
  frame.moveCenter(screen->availableGeometry().center());
  window->move(frame.topLeft());
}

// Centres the window again when its frame becomes known, once: a later move
// by the user keeps the frame's size and is left alone.
class FrameWatcher : public QObject {
 public:
  explicit FrameWatcher(QWidget* window) : QObject(window), window_(window), size_(window->frameGeometry().size()) {}

  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == window_ && (event->type() == QEvent::Move || event->type() == QEvent::Resize)) {
      const QSize size = window_->frameGeometry().size();
      if (size != size_) {
        window_->removeEventFilter(this);
        deleteLater();
        CentreByFrame(window_);
      }
    }
    return false;
  }

 private:
  QWidget* window_;
  QSize size_;
};

}  // namespace

void CentreOnScreen(QWidget* window) {
  CentreByFrame(window);
  window->installEventFilter(new FrameWatcher(window));
}

QString ChooseFile(QWidget* owner, FileChoice& choice) {
  if (const FileChooserHook& hook = ChooserHook()) return hook(choice);
  QString* selected = &choice.selectedFilter;
  return choice.save
             ? QFileDialog::getSaveFileName(owner, choice.caption, choice.startPath, choice.filter, selected)
             : QFileDialog::getOpenFileName(owner, choice.caption, choice.startPath, choice.filter, selected);
}

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

void ShowFixedTextBox(QWidget* owner, const BoxText& box) {
  ShowMessageBox(owner, box.icon == BoxIcon::Warning ? QMessageBox::Warning : QMessageBox::Information,
                 QStringFromFixed(box.caption), QStringFromFixed(box.text));
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

void SetFileChooserHookForTesting(FileChooserHook hook) { ChooserHook() = std::move(hook); }
