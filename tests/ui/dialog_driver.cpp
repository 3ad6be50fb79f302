#include "tests/ui/dialog_driver.h"

#include "platform/text_win.h"

namespace qm::test {

std::string DialogDriver::text(int id) const {
  wchar_t buf[2048] = {};
  GetWindowTextW(control(id), buf, 2048);
  return platform::fromWide(buf);
}

void DialogDriver::type(int id, const std::string& value) const {
  SetWindowTextW(control(id), platform::toWide(value).c_str());
}

int DialogDriver::rows(int listId) const {
  return static_cast<int>(SendMessageW(control(listId), LVM_GETITEMCOUNT, 0, 0));
}

std::string DialogDriver::cell(int listId, int row, int column) const {
  wchar_t buf[2048] = {};
  LVITEMW it{};
  it.iSubItem = column;
  it.pszText = buf;
  it.cchTextMax = 2048;
  SendMessageW(control(listId), LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(&it));
  return platform::fromWide(buf);
}

bool DialogDriver::rowChecked(int listId, int row) const {
  const auto state = SendMessageW(control(listId), LVM_GETITEMSTATE, row, LVIS_STATEIMAGEMASK);
  return ((static_cast<UINT>(state) & LVIS_STATEIMAGEMASK) >> 12) == 2;
}

void DialogDriver::checkRow(int listId, int row, bool on) const {
  LVITEMW it{};
  it.stateMask = LVIS_STATEIMAGEMASK;
  it.state = INDEXTOSTATEIMAGEMASK(on ? 2 : 1);
  SendMessageW(control(listId), LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&it));
}

std::vector<std::string> boxTexts(const FakeServices& services) {
  std::vector<std::string> out;
  for (const auto& b : services.boxes) out.push_back(b.text);
  return out;
}

namespace {

struct ModalScript {
  const wchar_t* caption;
  int keyTarget;
  WPARAM key;
  ModalPlay play;
};
ModalScript* g_script = nullptr;

void CALLBACK answerModal(HWND, UINT, UINT_PTR, DWORD) {
  if (!g_script) return;
  HWND found = FindWindowW(L"#32770", g_script->caption);
  if (!found) return;
  ModalPlay& play = g_script->play;
  if (++play.ticks == 1) {
    play.seen = found;
    play.ownerDisabled = !IsWindowEnabled(GetWindow(found, GW_OWNER));
    PostMessageW(GetDlgItem(found, g_script->keyTarget), WM_KEYDOWN, g_script->key, 0);
  } else {
    PostMessageW(found, WM_CLOSE, 0, 0);
  }
}

}  // namespace

ModalPlay playModal(const wchar_t* caption, int keyTarget, WPARAM key,
                    const std::function<void()>& run) {
  ModalScript script{caption, keyTarget, key, {}};
  g_script = &script;
  const UINT_PTR timer = SetTimer(nullptr, 0, 100, answerModal);
  run();
  KillTimer(nullptr, timer);
  g_script = nullptr;
  return script.play;
}

}  // namespace qm::test
