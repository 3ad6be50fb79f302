// Every corpus mail read by our reader gives the fields its .expect file states.
#include <gtest/gtest.h>

#include "mailstore/mime/mime_reader.h"
#include "platform/files.h"
#include "tests/mailstore/corpus_support.h"
#include "tests/mailstore/message_dump.h"
#include "tests/support/files.h"

namespace {

using qm::test::corpusMails;

TEST(MimeCorpus, EveryMailGivesTheFieldsItsExpectationStates) {
  const auto mails = corpusMails();
  ASSERT_GE(mails.size(), 25u) << "corpus not found under " << qm::test::corpusFolder();
  for (const std::string& path : mails) {
    SCOPED_TRACE(path);
    const std::string expectation = path.substr(0, path.size() - 4) + ".expect";
    ASSERT_TRUE(qm::platform::fileExists(expectation)) << "every corpus mail has its expectation";
    const auto message = qm::mail::readMimeFile(path);
    ASSERT_TRUE(message.has_value());
    const std::string differences =
        qm::test::compareWithExpectation(qm::test::dumpMessage(*message), qm::test::readFile(path.substr(0, path.size() - 4) + ".expect"));
    EXPECT_EQ(differences, "");
  }
}

TEST(MimeCorpus, ReadingFromBytesAndFromTheFileAgree) {
  for (const std::string& path : corpusMails()) {
    const auto fromFile = qm::mail::readMimeFile(path);
    const auto fromBytes = qm::mail::readMimeMessage(std::string_view(qm::test::readFile(path)));
    ASSERT_TRUE(fromFile);
    EXPECT_EQ(qm::test::dumpMessage(*fromFile), qm::test::dumpMessage(fromBytes)) << path;
  }
}

TEST(MimeCorpus, AMissingFileGivesNoMessage) {
  EXPECT_FALSE(qm::mail::readMimeFile(qm::test::corpusFolder() + "/no-such-mail.eml").has_value());
}

}  // namespace
