// Reads mails with our reader and with python3's email package (tests/mailstore/
// python_mail_reader.py) and compares subject, sender, recipients, date, body text and
// attachments. Where the two differ on purpose, a known difference names the mail, the
// field and the reason; such a field must still differ, so a stale entry is noticed.
#pragma once

#include <string>
#include <vector>

namespace qm::test {

struct KnownDifference {
  std::string mail;   // file name, without the folder
  std::string field;  // subject, from, recipients, date, text, attachments
  std::string why;
};

// Adds a test failure per unexpected difference. Call only when pythonAvailable().
void compareWithPython(const std::vector<std::string>& emlPaths,
                       const std::vector<KnownDifference>& known);

bool pythonAvailable();

}  // namespace qm::test
