// Sends one menu command to a running Quillmend window, for the screenshot script:
// window_poke <command id>. Waits up to ten seconds for the window to appear.
#include <windows.h>

#include <cwchar>

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) return 2;
  const WPARAM command = static_cast<WPARAM>(wcstol(argv[1], nullptr, 10));
  for (int i = 0; i < 100; ++i) {
    if (HWND w = FindWindowW(L"#32770", L"Quillmend")) {
      PostMessageW(w, WM_COMMAND, command, 0);
      return 0;
    }
    Sleep(100);
  }
  return 1;
}
