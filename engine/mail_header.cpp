#include "engine/mail_header.h"

#include <initializer_list>

namespace {

bool has(std::string_view text, std::string_view word) {
  return text.find(word) != std::string_view::npos;
}

bool hasAny(std::string_view text, std::initializer_list<std::string_view> words) {
  for (const auto word : words)
    if (has(text, word)) return true;
  return false;
}

// A mail written by a mail program: its own headers and the MIME-OLE stamp.
bool hasComposerHeader(std::string_view t) {
  return has(t, "From:") && has(t, "To:") && has(t, "Subject:") && has(t, "Date:") &&
         hasAny(t, {"MIME-Version:", "MIME-version:"}) && hasAny(t, {"X-MimeOLE:", "X-mimeOLE:"});
}

// A delivered mail, in one spelling of the delivery headers.
bool hasDeliveryHeader(std::string_view t, std::string_view deliveredTo, std::string_view envelopeTo,
                       std::string_view returnPath, std::string_view replyTo) {
  return has(t, "Received:") && hasAny(t, {deliveredTo, envelopeTo}) &&
         hasAny(t, {returnPath, replyTo}) && has(t, "From:") && has(t, "To:") && has(t, "Subject:");
}

}  // namespace

bool looksLikeMailHeader(std::string_view text) {
  const auto zero = text.find('\0');
  if (zero != std::string_view::npos) text = text.substr(0, zero);
  return hasComposerHeader(text) ||
         hasDeliveryHeader(text, "Delivered-to:", "Envelope-to:", "Return-path:", "Reply-to:") ||
         hasDeliveryHeader(text, "Delivered-To:", "Envelope-To:", "Return-Path:", "Reply-To:");
}
