// A stand-in taskbar for tests: a visible top-level window of class "Shell_TrayWnd". Should
// FindWindow still find another one first (Wine's explorer may create one), the test works
// on that one and puts its visibility back afterwards.
#pragma once

#include <windows.h>

#include "tools/systest/systest.h"

namespace panoptil {

class TaskbarWindow {
 public:
  TaskbarWindow();
  ~TaskbarWindow();
  TaskbarWindow(const TaskbarWindow&) = delete;
  TaskbarWindow& operator=(const TaskbarWindow&) = delete;

  HWND window() const { return window_; }
  // Whether the window has been hidden at some time since it was made.
  bool WasHidden() const;

 private:
  HWND window_ = nullptr;      // what FindWindow finds
  HWND own_window_ = nullptr;  // the one made here
  bool was_visible_ = false;
};

}  // namespace panoptil
