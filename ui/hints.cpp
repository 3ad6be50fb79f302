#include "ui/hints.h"

namespace qm::ui {
namespace {

struct Region {
  int left, top, right, bottom;  // bounds included
  const char* text;
};

// Checked in order; the first region holding the point gives the hint.
constexpr Region kRegions[] = {
    {3, 3, 591, 66, nullptr},  // the banner: text built below
    {390, 68, 484, 97, " Click Add button to select a file."},
    {484, 68, 579, 97, " Click Search button to search file on disk."},
    {12, 103, 579, 240, " Convert file list."},
    {473, 245, 579, 275, " Click Browse button to specify destination."},
    {16, 285, 579, 359, " Select the output file format."},
};

bool inside(const Region& r, int x, int y) {
  return x >= r.left && x <= r.right && y >= r.top && y <= r.bottom;
}

std::string bannerHint() { return " Quillmend" + std::string(66, ' ') + kWebAddress; }

std::string convertHint(const std::string& caption) {
  if (caption == "&Convert") return " Click Convert button to convert files.";
  if (caption == "&Stop") return " Click Stop button to stop convertion.";
  return " Ready";
}

}  // namespace

std::string hintAt(int x, int y, const std::string& convertCaption) {
  if (x >= 2 && y <= 1) return " Select Menu";
  for (const Region& r : kRegions) {
    if (inside(r, x, y)) return r.text ? std::string(r.text) : bannerHint();
  }
  if (x >= 475 && x <= 579 && y >= 446 && y <= 474) return convertHint(convertCaption);
  return " Ready";
}

}  // namespace qm::ui
