#include "tests/mailstore/python_comparison.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <optional>
#include <sstream>

#include "mailstore/mime/mime_reader.h"
#include "tests/mailstore/message_dump.h"

namespace qm::test {

namespace {

// What both readers report of one mail, in comparable text.
struct MailFields {
  std::map<std::string, std::string> fields;  // field name -> canonical text
};

std::string fromHex(const std::string& hex) {
  if (hex == "-") return {};
  std::string out;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
    out.push_back(static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16)));
  }
  return out;
}

std::string baseName(const std::string& path) {
  const std::size_t slash = path.find_last_of("/\\");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// CR LF and LF alike; trailing blanks and line ends of the whole text do not count.
std::string normalText(std::string text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    out.push_back(text[i]);
  }
  while (!out.empty() && (out.back() == '\n' || out.back() == ' ' || out.back() == '\t' || out.back() == '\r'))
    out.pop_back();
  return out;
}

// Attachment bytes with CR LF as LF: python3's line-based parser gives LF line ends in
// parts that were not base64-encoded, where we keep the bytes as they stood. The corpus
// expectations check that CR LF survives.
std::string hexOf(const std::string& bytes) {
  static const char* digits = "0123456789abcdef";
  std::string out;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const auto c = static_cast<unsigned char>(bytes[i]);
    if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') continue;
    out.push_back(digits[c >> 4]);
    out.push_back(digits[c & 15]);
  }
  return out;
}

std::string runPython(const std::vector<std::string>& paths) {
#ifdef _WIN32
  (void)paths;
  return {};
#else
  std::string command = std::string("python3 \"") + QM_SOURCE_DIR + "/tests/mailstore/python_mail_reader.py\"";
  for (const std::string& p : paths) command += " \"" + p + "\"";
  std::FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return {};
  std::string out;
  char buffer[65536];
  std::size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
  pclose(pipe);
  return out;
#endif
}

std::map<std::string, MailFields> parsePythonOutput(const std::string& output) {
  std::map<std::string, MailFields> mails;
  std::istringstream in(output);
  std::string line;
  MailFields* current = nullptr;
  while (std::getline(in, line)) {
    std::istringstream words(line);
    std::string key;
    words >> key;
    std::vector<std::string> v;
    for (std::string w; words >> w;) v.push_back(w);
    if (key == "mail" && v.size() == 1) {
      current = &mails[baseName(fromHex(v[0]))];
    } else if (!current) {
      continue;
    } else if (key == "error") {
      current->fields["error"] = fromHex(v.at(0));
    } else if (key == "subject") {
      // python3 keeps the blanks that end a field; we trim them, as mail programs show it.
      std::string subject = fromHex(v.at(0));
      while (!subject.empty() && (subject.back() == ' ' || subject.back() == '\t')) subject.pop_back();
      current->fields["subject"] = subject;
    } else if (key == "from") {
      current->fields["from"] = fromHex(v.at(0)) + " <" + fromHex(v.at(1)) + ">";
    } else if (key == "to" || key == "cc" || key == "bcc") {
      current->fields["recipients"] += key + ": " + fromHex(v.at(0)) + " <" + fromHex(v.at(1)) + ">\n";
    } else if (key == "date") {
      current->fields["date"] = v.at(0) == "none" ? "none" : isoTime(std::stoll(v.at(0)));
    } else if (key == "text") {
      current->fields["text"] = v.at(0) == "none" ? "(none)" : normalText(fromHex(v.at(0)));
    } else if (key == "attachment" && v.size() == 3 && v[1] == "embedded") {
      current->fields["attachments"] += fromHex(v[0]) + " = message \"" + fromHex(v[2]) + "\"\n";
    } else if (key == "attachment" && v.size() == 2) {
      current->fields["attachments"] +=
          fromHex(v[0]) + " = " + (v[1] == "-" ? "" : v[1] == "?" ? "?" : hexOf(fromHex(v[1]))) + "\n";
    }
  }
  return mails;
}

MailFields ourFields(const mail::Message& m, const std::map<std::string, std::string>& pythonView) {
  MailFields f;
  f.fields["subject"] = utf8(m.subject);
  if (!m.from.address.empty() || !m.from.displayName.empty()) {
    f.fields["from"] = utf8(m.from.displayName) + " <" + m.from.address + ">";
  }
  for (const mail::Recipient& r : m.recipients) {
    const char* kind = r.kind == mail::RecipientKind::To ? "to" : r.kind == mail::RecipientKind::Cc ? "cc" : "bcc";
    f.fields["recipients"] += std::string(kind) + ": " + utf8(r.address.displayName) + " <" + r.address.address + ">\n";
  }
  f.fields["date"] = m.sentTime ? isoTime(*m.sentTime) : "none";
  f.fields["text"] = m.textBody ? normalText(utf8(*m.textBody)) : "(none)";
  // Python cannot give the bytes of a delivery-status part ("?"); only its name is compared.
  const std::string pythonAttachments = pythonView.count("attachments") ? pythonView.at("attachments") : "";
  std::istringstream pythonLines(pythonAttachments);
  std::vector<std::string> pyLines;
  for (std::string l; std::getline(pythonLines, l);) pyLines.push_back(l);
  for (std::size_t i = 0; i < m.attachments.size(); ++i) {
    const mail::Attachment& a = m.attachments[i];
    std::string line = utf8(a.fileName) + " = ";
    if (a.embedded) {
      line += "message \"" + utf8(a.embedded->subject) + "\"";
    } else if (i < pyLines.size() && pyLines[i] == line + "?") {
      line += "?";
    } else {
      line += hexOf(std::string(a.data.begin(), a.data.end()));
    }
    f.fields["attachments"] += line + "\n";
  }
  return f;
}

const KnownDifference* findKnown(const std::vector<KnownDifference>& known, const std::string& mail,
                                 const std::string& field) {
  for (const KnownDifference& k : known) {
    if (k.mail == mail && k.field == field) return &k;
  }
  return nullptr;
}

}  // namespace

bool pythonAvailable() {
#ifdef _WIN32
  return false;
#else
  return std::system("python3 -c \"import email.policy\" >/dev/null 2>&1") == 0;
#endif
}

void compareWithPython(const std::vector<std::string>& emlPaths,
                       const std::vector<KnownDifference>& known) {
  const std::map<std::string, MailFields> python = parsePythonOutput(runPython(emlPaths));
  for (const std::string& path : emlPaths) {
    const std::string name = baseName(path);
    const auto it = python.find(name);
    ASSERT_NE(it, python.end()) << "python3 reported nothing for " << name;
    const auto& theirs = it->second.fields;
    EXPECT_FALSE(theirs.count("error")) << name << ": python3 failed: " << theirs.at("error");
    const std::optional<mail::Message> message = mail::readMimeFile(path);
    ASSERT_TRUE(message) << path;
    const auto ours = ourFields(*message, theirs).fields;
    for (const char* field : {"subject", "from", "recipients", "date", "text", "attachments"}) {
      const std::string a = ours.count(field) ? ours.at(field) : "";
      const std::string b = theirs.count(field) ? theirs.at(field) : "";
      if (const KnownDifference* k = findKnown(known, name, field)) {
        EXPECT_NE(a, b) << name << " " << field << " no longer differs from python3 (" << k->why
                        << "): drop the known difference";
        continue;
      }
      EXPECT_EQ(a, b) << name << ": " << field << " differs (ours first, python3 second)";
    }
  }
}

}  // namespace qm::test
