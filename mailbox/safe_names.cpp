#include "mailbox/safe_names.h"

#include <array>
#include <cctype>
#include <string_view>

namespace qm::mailbox {

namespace {

constexpr std::size_t kMaxNameBytes = 120;

std::string upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

bool reservedDeviceName(const std::string& name) {
  std::string stem = upper(name.substr(0, name.find('.')));
  while (!stem.empty() && stem.back() == ' ') stem.pop_back();
  constexpr std::array<std::string_view, 4> plain{"CON", "PRN", "AUX", "NUL"};
  for (auto p : plain)
    if (stem == p) return true;
  return stem.size() == 4 && (stem.starts_with("COM") || stem.starts_with("LPT")) && stem[3] >= '1' && stem[3] <= '9';
}

// Cuts UTF-8 text to at most `limit` bytes without splitting a character.
std::string cutUtf8(const std::string& s, std::size_t limit) {
  if (s.size() <= limit) return s;
  std::size_t end = limit;
  while (end > 0 && (static_cast<unsigned char>(s[end]) & 0xC0) == 0x80) --end;
  return s.substr(0, end);
}

}  // namespace

std::string safeName(const std::string& name) {
  std::string out;
  for (char c : name) {
    const auto u = static_cast<unsigned char>(c);
    const bool forbidden = u < 0x20 || u == 0x7F || std::string_view("\\/:*?\"<>|").find(c) != std::string_view::npos;
    out.push_back(forbidden ? '_' : c);
  }
  out = cutUtf8(out, kMaxNameBytes);
  while (!out.empty() && (out.back() == '.' || out.back() == ' ')) out.pop_back();
  while (!out.empty() && out.front() == ' ') out.erase(out.begin());
  if (out.empty()) out = "_";
  if (reservedDeviceName(out)) out = "_" + out;
  return out;
}

std::string SiblingNames::take(const std::string& name) {
  std::string candidate = name;
  for (int n = 2; !taken_.insert(upper(candidate)).second; ++n) candidate = name + " (" + std::to_string(n) + ")";
  return candidate;
}

}  // namespace qm::mailbox
