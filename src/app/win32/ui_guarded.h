#pragma once
#include <exception>
#include <new>

#include "text/errors.h"

namespace win32ui {

template <typename Handler>
void Guarded(HWND owner, Handler handler) {
  try {
    handler();
  } catch (const QuillmerError& error) {
    ShowErrorBox(owner, error);
  } catch (const std::bad_alloc&) {
    ShowErrorBox(owner, PlainError("Out of memory"));
  } catch (const std::exception& error) {
    ShowErrorBox(owner, PlainError(error.what()));
  }
}

}  // namespace win32ui
