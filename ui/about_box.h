// The About box: version, web address and a notice line; OK, Enter and Escape close it.
#pragma once

#include <windows.h>

namespace qm::ui {

class AboutBox {
 public:
  // Runs the box modally over owner.
  void run(HWND owner);

 private:
  static INT_PTR CALLBACK dialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
};

}  // namespace qm::ui
