#include "mailstore/mime/message_fields.h"

#include "mailstore/mime/address_list.h"
#include "mailstore/mime/mail_date.h"

namespace qm::mail::mime {

namespace {

bool isPrefixCharacter(char16_t c) {
  if (c == u':' || c == u' ' || c == u'\t' || (c >= u'0' && c <= u'9')) return false;
  if (c < 0x80) return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z');
  return c >= 0xA0;  // letters of other scripts; not the C1 controls
}

// A message ID keeps its angle brackets; the rest of the field (comments, junk) is left out.
std::string firstMessageId(const std::string& value) {
  const std::size_t open = value.find('<');
  const std::size_t close = open == std::string::npos ? open : value.find('>', open);
  if (close == std::string::npos) return value;
  return value.substr(open, close - open + 1);
}

// To, Cc and Bcc rows in the order their fields stand.
void readRecipients(const HeaderBlock& header, Message& message, CharsetLog& log) {
  for (const HeaderField& f : header.fields()) {
    RecipientKind kind;
    if (equalsIgnoringCase(f.name, "To")) kind = RecipientKind::To;
    else if (equalsIgnoringCase(f.name, "Cc")) kind = RecipientKind::Cc;
    else if (equalsIgnoringCase(f.name, "Bcc")) kind = RecipientKind::Bcc;
    else continue;
    for (Address& a : parseAddressList(unfold(f.value), log)) {
      message.recipients.push_back(Recipient{kind, std::move(a)});
    }
  }
}

// CR LF line ends throughout, as MAPI keeps transport headers.
std::string withCrLf(std::string_view text) {
  std::string out;
  out.reserve(text.size() + text.size() / 32);
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) out.push_back('\r');
    out.push_back(text[i]);
  }
  return out;
}

}  // namespace

std::u16string subjectPrefixOf(std::u16string_view subject) {
  for (std::size_t n = 1; n <= 3 && n + 1 < subject.size(); ++n) {
    if (!isPrefixCharacter(subject[n - 1])) return {};
    if (subject[n] == u':' && subject[n + 1] == u' ') return std::u16string(subject.substr(0, n + 2));
  }
  return {};
}

Importance importanceOf(const HeaderBlock& header) {
  const std::string importance = toLower(header.value("Importance"));
  if (importance == "high") return Importance::High;
  if (importance == "low") return Importance::Low;
  if (importance == "normal") return Importance::Normal;
  const std::string msmail = toLower(header.value("X-MSMail-Priority"));
  if (msmail == "high") return Importance::High;
  if (msmail == "low") return Importance::Low;
  if (msmail == "normal") return Importance::Normal;
  // X-Priority: "1 (Highest)" to "5 (Lowest)".
  const std::string xPriority = header.value("X-Priority");
  if (!xPriority.empty() && xPriority[0] >= '1' && xPriority[0] <= '5') {
    if (xPriority[0] <= '2') return Importance::High;
    if (xPriority[0] >= '4') return Importance::Low;
    return Importance::Normal;
  }
  const int priority = priorityOf(header);
  if (priority > 0) return Importance::High;
  if (priority < 0) return Importance::Low;
  return Importance::Normal;
}

int priorityOf(const HeaderBlock& header) {
  const std::string priority = toLower(header.value("Priority"));
  if (priority == "urgent") return 1;
  if (priority == "non-urgent") return -1;
  return 0;
}

std::optional<UnixTime> receivedDate(std::string_view received) {
  const std::size_t semicolon = received.rfind(';');
  if (semicolon == std::string_view::npos) return std::nullopt;
  return parseMailDate(received.substr(semicolon + 1));
}

void readMessageFields(const HeaderBlock& header, Message& message, CharsetLog& log) {
  message.subject = decodeHeaderText(header.value("Subject"), log);
  message.subjectPrefix = subjectPrefixOf(message.subject);

  const std::vector<Address> from = parseAddressList(header.value("From"), log);
  if (!from.empty()) message.from = from.front();
  const std::vector<Address> sender = parseAddressList(header.value("Sender"), log);
  message.sender = sender.empty() ? message.from : sender.front();
  readRecipients(header, message, log);
  message.replyTo = parseAddressList(header.value("Reply-To"), log);

  if (header.has("Date")) message.sentTime = parseMailDate(header.value("Date"));
  if (header.has("Received")) message.receivedTime = receivedDate(header.value("Received"));

  message.messageId = firstMessageId(header.value("Message-ID"));
  message.inReplyTo = header.value("In-Reply-To");
  message.references = header.value("References");
  message.importance = importanceOf(header);
  message.priority = priorityOf(header);
  message.transportHeaders = withCrLf(header.text());
}

}  // namespace qm::mail::mime
