#include "mailstore/attachment_name.h"

#include <array>
#include <cstdio>
#include <string>
#include <string_view>

namespace qm::mail {

namespace {

constexpr std::size_t kMaxNameLength = 200;  // UTF-16 units, leaving room for the folder

struct Extension {
  std::string_view mimeType;
  std::u16string_view extension;
};

constexpr std::array kExtensions{
    Extension{"text/plain", u".txt"},         Extension{"text/html", u".htm"},
    Extension{"text/calendar", u".ics"},      Extension{"text/rfc822-headers", u".txt"},
    Extension{"message/delivery-status", u".txt"},
    Extension{"message/rfc822", u".eml"},     Extension{"image/jpeg", u".jpg"},
    Extension{"image/gif", u".gif"},          Extension{"image/png", u".png"},
    Extension{"image/bmp", u".bmp"},          Extension{"application/pdf", u".pdf"},
    Extension{"application/zip", u".zip"},    Extension{"application/msword", u".doc"},
    Extension{"application/pkcs7-signature", u".p7s"},
    Extension{"application/x-pkcs7-signature", u".p7s"},
    Extension{"application/pgp-signature", u".asc"},
};

std::u16string extensionOf(const std::string& mimeType) {
  for (const Extension& e : kExtensions) {
    if (e.mimeType == mimeType) return std::u16string(e.extension);
  }
  return u".dat";
}

bool isForbidden(char16_t c) {
  return c < 0x20 || c == 0x7F || c == u'<' || c == u'>' || c == u':' || c == u'"' || c == u'/' ||
         c == u'\\' || c == u'|' || c == u'?' || c == u'*';
}

char16_t upper(char16_t c) { return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - 32) : c; }

// CON, PRN, AUX, NUL, COM1-9, LPT1-9, with or without an extension.
bool isDeviceName(std::u16string_view name) {
  const std::size_t dot = name.find(u'.');
  const std::u16string_view stem = name.substr(0, dot);
  std::u16string s;
  for (char16_t c : stem) s.push_back(upper(c));
  while (!s.empty() && s.back() == u' ') s.pop_back();
  if (s == u"CON" || s == u"PRN" || s == u"AUX" || s == u"NUL") return true;
  return s.size() == 4 && (s.starts_with(u"COM") || s.starts_with(u"LPT")) && s[3] >= u'1' && s[3] <= u'9';
}

// Shortens to at most n units without leaving half a surrogate pair at the end.
void cutTo(std::u16string& text, std::size_t n) {
  if (text.size() <= n) return;
  text.resize(n);
  if (!text.empty() && text.back() >= 0xD800 && text.back() <= 0xDBFF) text.pop_back();
}

bool hasExtension(std::u16string_view name) {
  const std::size_t dot = name.rfind(u'.');
  return dot != std::u16string_view::npos && dot > 0 && dot + 1 < name.size();
}

}  // namespace

std::u16string safeFileNameComponent(std::u16string_view name) {
  std::u16string out;
  out.reserve(name.size());
  for (char16_t c : name) out.push_back(isForbidden(c) ? u'_' : c);
  while (!out.empty() && (out.back() == u'.' || out.back() == u' ')) out.pop_back();
  std::size_t lead = 0;
  while (lead < out.size() && out[lead] == u' ') ++lead;
  out.erase(0, lead);
  if (out.empty()) return out;
  if (isDeviceName(out)) out.insert(out.begin(), u'_');
  if (out.size() > kMaxNameLength) {
    // Keep a short extension: the name must still open with the right program.
    const std::size_t dot = out.rfind(u'.');
    const std::size_t extLength = dot == std::u16string::npos ? 0 : out.size() - dot;
    if (extLength > 0 && extLength <= 16) {
      const std::u16string extension = out.substr(dot);
      cutTo(out, kMaxNameLength - extLength);
      out += extension;
    } else {
      cutTo(out, kMaxNameLength);
    }
  }
  return out;
}

std::u16string safeAttachmentFileName(const Attachment& attachment, std::size_t position) {
  // A path in the name ("C:\temp\a.doc", "../../a.doc"): only its last part is a file name.
  std::u16string_view given = attachment.fileName;
  const std::size_t slash = given.find_last_of(u"/\\");
  if (slash != std::u16string_view::npos) given = given.substr(slash + 1);
  std::u16string name = safeFileNameComponent(given);
  if (attachment.embedded) {
    if (name.empty()) {
      // Named after its subject, as mail programs show a forwarded message.
      name = safeFileNameComponent(attachment.embedded->subject);
      if (name.empty()) name = u"Attached message";
      cutTo(name, kMaxNameLength - 4);
      return name + u".eml";
    }
    if (!hasExtension(name)) {
      cutTo(name, kMaxNameLength - 4);
      name += u".eml";
    }
    return name;
  }
  if (!name.empty()) return name;
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "ATT%05zu", position % 100000);
  name.assign(buffer, buffer + std::char_traits<char>::length(buffer));
  return name + extensionOf(attachment.mimeType);
}

namespace {

bool sameName(const std::u16string& a, const std::u16string& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (upper(a[i]) != upper(b[i])) return false;
  return true;
}

}  // namespace

std::u16string distinctFileName(const std::u16string& name, std::vector<std::u16string>& used) {
  const auto taken = [&used](const std::u16string& candidate) {
    for (const std::u16string& u : used)
      if (sameName(u, candidate)) return true;
    return false;
  };
  std::u16string result = name;
  if (taken(result)) {
    // The number goes before the extension, so that the file still opens with its program.
    const std::size_t dot = name.rfind(u'.');
    const bool hasDot = dot != std::u16string::npos && dot > 0;
    const std::u16string stem = hasDot ? name.substr(0, dot) : name;
    const std::u16string extension = hasDot ? name.substr(dot) : std::u16string();
    for (std::size_t n = 2; taken(result); ++n) {
      const std::string number = " (" + std::to_string(n) + ")";
      result = stem + std::u16string(number.begin(), number.end()) + extension;
    }
  }
  used.push_back(result);
  return result;
}

std::vector<std::u16string> attachmentFileNames(const Message& message) {
  std::vector<std::u16string> names;
  for (std::size_t i = 0; i < message.attachments.size(); ++i)
    distinctFileName(safeAttachmentFileName(message.attachments[i], i + 1), names);
  return names;
}

}  // namespace qm::mail
