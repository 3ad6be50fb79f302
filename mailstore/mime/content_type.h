// Content-Type and Content-Disposition values (RFC 2045 section 5.1, RFC 2183) with their
// parameters, including RFC 2231 continuations, charsets and languages.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "mailstore/mime/header_text.h"

namespace qm::mail::mime {

struct MimeParam {
  std::string name;     // lower case, without any RFC 2231 "*" marks
  std::string value;    // unquoted; RFC 2231 sections joined and percent-decoded
  std::string charset;  // from an RFC 2231 extended value; empty otherwise
  bool extended = false;
};

// A header value of the form `token; name=value; ...`.
struct ParameterizedValue {
  std::string token;  // "text/plain", "attachment": lower case, comments removed
  std::vector<MimeParam> params;

  const MimeParam* param(std::string_view name) const;
  // The parameter's bytes (for boundary, charset, start); empty when absent.
  std::string paramValue(std::string_view name) const;
};

ParameterizedValue parseParameterizedValue(std::string_view unfolded);

// A parameter as text: an RFC 2231 value in its own charset; otherwise the value with any
// RFC 2047 encoded words decoded (as many mailers wrote file names).
std::u16string paramText(const MimeParam& param, CharsetLog& log);

struct ContentType {
  std::string type = "text";  // lower case
  std::string subtype = "plain";
  ParameterizedValue value;

  bool is(std::string_view t, std::string_view s) const { return type == t && subtype == s; }
  std::string mimeType() const { return type + "/" + subtype; }
};

// A missing or unusable Content-Type gives `fallback` (text/plain, or message/rfc822 in a
// digest), its parameters kept.
ContentType parseContentType(std::string_view unfolded, std::string_view fallbackType,
                             std::string_view fallbackSubtype);

}  // namespace qm::mail::mime
