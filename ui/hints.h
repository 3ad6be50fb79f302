// The one-line hints that the status line shows for the part of the main window under the
// mouse pointer. Regions are fixed rectangles in client pixels (two pixels per dialog unit,
// widened a little); they do not follow the controls.
#pragma once

#include <string>

namespace qm::ui {

// The product's web address, shown in the banner hint and in the About box.
inline constexpr const char* kWebAddress = "www.quillmend.example";

// The hint for client point (x, y); convertCaption is the Convert button's caption.
std::string hintAt(int x, int y, const std::string& convertCaption);

}  // namespace qm::ui
