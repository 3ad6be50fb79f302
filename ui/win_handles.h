// Owning wrappers for Windows handles, and the small painting and icon helpers that the
// dialogs share.
#pragma once

#include <windows.h>

#include <utility>

namespace qm::ui {

// Closes, destroys or deletes its handle when it goes out of scope.
template <typename H, BOOL(WINAPI* Free)(H)>
class UniqueHandle {
 public:
  UniqueHandle() = default;
  explicit UniqueHandle(H h) : h_(h) {}
  ~UniqueHandle() { reset(); }
  UniqueHandle(UniqueHandle&& o) noexcept : h_(std::exchange(o.h_, nullptr)) {}
  UniqueHandle& operator=(UniqueHandle&& o) noexcept {
    if (this != &o) {
      reset();
      h_ = std::exchange(o.h_, nullptr);
    }
    return *this;
  }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;

  H get() const { return h_; }
  explicit operator bool() const { return h_ != nullptr; }
  void reset(H h = nullptr) {
    if (h_) Free(h_);
    h_ = h;
  }

 private:
  H h_ = nullptr;
};

using IconHandle = UniqueHandle<HICON, DestroyIcon>;

// The application icon at the system's large and small sizes, owned by the caller.
struct AppIcons {
  IconHandle large;
  IconHandle small;
};
AppIcons loadAppIcons();
// Sets the window's large and small icon; the icons must outlive the window.
void setWindowIcons(HWND hwnd, HICON large, HICON small);

// Every dialog is painted white with black text on an opaque background: the colour
// handlers return the stock white brush.
INT_PTR paintWhite(HDC dc);

}  // namespace qm::ui
