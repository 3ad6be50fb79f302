// UTF-8 and UTF-16 conversions for the wide-character Windows calls.
#pragma once

#include <string>

namespace qm::platform {

std::wstring toWide(const std::string& utf8);
std::string fromWide(const std::wstring& wide);

}  // namespace qm::platform
