// Mails built by hand for the store tests, and the read-back of a written file by the
// independent readers.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "mailstore/message.h"

namespace qm::test {

struct MailFields {
  std::u16string subject;
  std::u16string prefix;  // "RE: " and the like, at the start of the subject
  mail::Address from{u"Anna Äpfel", "anna@example.com"};
  std::vector<mail::Recipient> recipients{{mail::RecipientKind::To, {u"Bob Brown", "bob@example.com"}}};
  std::optional<mail::UnixTime> sent = 1600000000;
  std::u16string text = u"Hello,\r\nthis is the body.\r\n";
  std::optional<std::u16string> html;
  bool headers = true;  // give the mail the header block it was read from
};

// A mail as the MIME reader gives it, with a header block that agrees with its fields.
mail::Message makeMail(const MailFields& fields);
mail::Attachment makeAttachment(const std::u16string& name, std::size_t size, std::uint8_t seed,
                                const std::string& mimeType = "application/octet-stream");
mail::Attachment makeEmbedded(mail::Message inner);

// A JSON string literal, and a mail as the read-back scripts expect it: its fields, and its
// attachments' contents written to numbered files in `work` (counted by `files`).
std::string json(const std::string& s);
std::string mailJson(const mail::Message& m, const std::string& work, int& files);

// The folders of a store as the readers should see them, by path under the IPM subtree.
using ExpectedStore = std::map<std::string, std::vector<const mail::Message*>>;

struct ReadBack {
  bool ran = false;   // false where the readers cannot run (Windows builds)
  int status = 0;     // 0 when every reader agrees with the mails
  std::string output;
};

// Runs readpst, pffexport and pst-extractor on the file (in a folder of `work`) and
// compares what they read with the mails.
ReadBack readBack(const std::string& pstPath, const std::string& storeName, const ExpectedStore& folders,
                  const std::string& work);

}  // namespace qm::test
