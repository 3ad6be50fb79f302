// The recovery-mode test for a mail header: whether the first bytes of a mail's text look
// like an Internet mail header. The keywords are searched case-sensitively anywhere in the
// text, up to its first zero byte.
#pragma once

#include <string_view>

bool looksLikeMailHeader(std::string_view text);
