#include "mailstore/mime/address_list.h"

#include <string>

#include "mailstore/mime/header_block.h"
#include "mailstore/mime/header_tokens.h"

namespace qm::mail::mime {

namespace {

// What has been read of the mailbox being parsed.
struct MailboxText {
  std::string phrase;   // display-name words with quotes removed, blanks collapsed
  std::string addrSpec;     // the same text with quotes kept and blanks dropped: the address proper
  std::string angle;    // what stood between '<' and '>'
  std::string comment;  // the last comment's text
  bool hasAngle = false;
  bool pendingBlank = false;

  void word(std::string_view cooked, std::string_view raw) {
    if (pendingBlank && !phrase.empty()) phrase.push_back(' ');
    pendingBlank = false;
    phrase += cooked;
    addrSpec += raw;
  }
  bool empty() const { return phrase.empty() && angle.empty() && !hasAngle && addrSpec.empty(); }
};

// The quoted string at s[i] == '"': its text, and its raw form with the quotes.
void readQuoted(std::string_view s, std::size_t& i, std::string& cooked, std::string& raw) {
  const std::size_t start = i;
  cooked = readQuotedString(s, i);
  raw = std::string(s.substr(start, i - start));
}

// The text between angle brackets with comments and blanks removed; a source route
// ("@relay.example:user@host") dropped.
std::string readAngle(std::string_view s, std::size_t& i) {
  std::string addr;
  for (++i; i < s.size() && s[i] != '>'; ++i) {
    if (s[i] == '"') {
      std::string cooked, raw;
      readQuoted(s, i, cooked, raw);
      addr += raw;
      --i;
    } else if (s[i] == '(') {
      readComment(s, i);
      --i;
    } else if (!isBlank(s[i])) {
      addr.push_back(s[i]);
    }
  }
  if (i < s.size()) ++i;  // the '>'
  if (!addr.empty() && addr[0] == '@') {
    const std::size_t colon = addr.find(':');
    if (colon != std::string::npos) addr.erase(0, colon + 1);
  }
  return addr;
}

class ListReader {
 public:
  ListReader(std::vector<Address>& out, CharsetLog& log) : out_(out), log_(log) {}

  void finishMailbox() {
    if (current_.empty()) {
      current_ = MailboxText();
      return;
    }
    Address a;
    if (current_.hasAngle) {
      a.address = current_.angle;
      a.displayName = decodeHeaderText(trimBlanks(current_.phrase), log_);
    } else {
      // An address proper; words without an '@' ("Undisclosed Recipients") are kept as written.
      a.address = current_.addrSpec.find('@') != std::string::npos ? current_.addrSpec
                                                                 : std::string(trimBlanks(current_.phrase));
      if (!current_.comment.empty()) a.displayName = decodeHeaderText(current_.comment, log_);
    }
    if (!a.address.empty() || !a.displayName.empty()) out_.push_back(std::move(a));
    current_ = MailboxText();
  }

  void read(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size()) {
      const char c = s[i];
      if (isBlank(c)) {
        current_.pendingBlank = true;
        ++i;
      } else if (c == '"') {
        std::string cooked, raw;
        readQuoted(s, i, cooked, raw);
        current_.word(cooked, raw);
      } else if (c == '(') {
        current_.comment = readComment(s, i);
        current_.pendingBlank = true;
      } else if (c == '<') {
        current_.angle = readAngle(s, i);
        current_.hasAngle = true;
      } else if (c == ',') {
        finishMailbox();
        ++i;
      } else if (c == ':' && !inGroup_ && !current_.hasAngle) {
        // "Group name: a, b;": the name is not an address.
        current_ = MailboxText();
        inGroup_ = true;
        ++i;
      } else if (c == ';' && inGroup_) {
        finishMailbox();
        inGroup_ = false;
        ++i;
      } else {
        const std::size_t start = i;
        while (i < s.size() && !isBlank(s[i]) && s[i] != '"' && s[i] != '(' && s[i] != '<' &&
               s[i] != ',' && !(s[i] == ':' && !inGroup_) && !(s[i] == ';' && inGroup_)) {
          ++i;
        }
        if (i == start) {
          ++i;  // a ':' inside a group or a ';' outside one: nothing to keep
          continue;
        }
        const std::string_view atom = s.substr(start, i - start);
        current_.word(atom, atom);
      }
    }
    finishMailbox();
  }

 private:
  std::vector<Address>& out_;
  CharsetLog& log_;
  MailboxText current_;
  bool inGroup_ = false;
};

}  // namespace

std::vector<Address> parseAddressList(std::string_view unfolded, CharsetLog& log) {
  std::vector<Address> out;
  ListReader reader(out, log);
  reader.read(unfolded);
  return out;
}

}  // namespace qm::mail::mime
