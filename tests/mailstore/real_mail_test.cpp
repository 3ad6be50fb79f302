// The mails of the real Outlook Express stores in the shared samples, read by our reader and
// by python3.
#include <gtest/gtest.h>

#include <cstdio>

#include "mailstore/mime/mime_reader.h"
#include "platform/files.h"
#include "tests/mailstore/dbx_mail_extractor.h"
#include "tests/mailstore/python_comparison.h"
#include "tests/support/files.h"
#include "tests/support/temp_dir.h"

namespace {

// Every mail of every store under samples/real, written as NAME_NNNN.eml into `folder`.
std::vector<std::string> writeRealMails(const std::string& folder) {
  std::vector<std::string> paths;
  const std::string real = qm::test::sharedFile("samples/real");
  for (const std::string& sub : {std::string(), std::string("/welcome")}) {
    for (const qm::platform::DirEntry& e : qm::platform::listDirectory(real + sub)) {
      if (e.isDirectory || !e.name.ends_with(".dbx")) continue;
      const std::string stem = (sub.empty() ? "" : "welcome-") + e.name.substr(0, e.name.size() - 4);
      int n = 0;
      for (const std::string& mail : qm::test::extractDbxMails(real + sub + "/" + e.name)) {
        char name[32];
        std::snprintf(name, sizeof name, "_%04d.eml", ++n);
        paths.push_back(folder + "/" + stem + name);
        qm::test::writeFile(paths.back(), mail);
      }
    }
  }
  return paths;
}

TEST(RealMails, EveryMailOfTheSampleStoresIsRead) {
  qm::test::TempDir dir;
  const auto paths = writeRealMails(dir.path());
  if (paths.empty()) GTEST_SKIP() << "no sample stores under " << qm::test::sharedFile("samples/real");
  EXPECT_EQ(paths.size(), 32u) << "the sample stores hold 32 mails";
  for (const std::string& path : paths) {
    const auto message = qm::mail::readMimeFile(path);
    ASSERT_TRUE(message) << path;
    EXPECT_FALSE(message->from.address.empty() && message->subject.empty()) << path << ": no sender, no subject";
    EXPECT_TRUE(message->sentTime.has_value()) << path << ": no date";
    EXPECT_TRUE(message->textBody || message->htmlBody) << path << ": no body";
  }
}

// Where we read a real mail differently from python3 on purpose.
const std::vector<qm::test::KnownDifference> kKnownReal = {
    {"welcome-Inbox_0001.eml", "recipients",
     "\"To: New Outlook Express User\" names no address; the words are kept as written, where "
     "python3 makes a quoted local part of them"},
};

TEST(RealMails, ReadAsPythonReadsThem) {
  if (!qm::test::pythonAvailable()) GTEST_SKIP() << "python3 with its email package is not available here";
  qm::test::TempDir dir;
  const auto paths = writeRealMails(dir.path());
  if (paths.empty()) GTEST_SKIP() << "no sample stores under " << qm::test::sharedFile("samples/real");
  qm::test::compareWithPython(paths, kKnownReal);
}

}  // namespace
