#include "tests/convert/pst_read_back.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "engine/dbx_file.h"
#include "mailstore/mime/mime_reader.h"
#include "mailstore/pst/check/pst_checker.h"
#include "platform/files.h"
#include "tests/mailstore/pst/pst_test_mails.h"

namespace qm::convert::test {

std::vector<std::pair<int, mail::Message>> indexedStoreMails(const std::string& dbxPath, const std::string& work) {
  LogOnlyHost host;
  DbxFile engine(host);
  std::vector<std::pair<int, mail::Message>> mails;
  if (!engine.open(dbxPath)) return mails;
  std::int32_t found = -1;
  const int count = engine.findMails(found);
  for (int j = 0; j < count; ++j) {
    std::string path;
    if (!engine.saveMailToEML(work, path, j)) continue;
    auto message = mail::readMimeFile(path);
    EXPECT_TRUE(message.has_value()) << path;
    if (message) mails.emplace_back(j, std::move(*message));
  }
  engine.close();
  return mails;
}

std::vector<mail::Message> storeMails(const std::string& dbxPath, const std::string& work) {
  std::vector<mail::Message> mails;
  for (auto& [index, message] : indexedStoreMails(dbxPath, work)) mails.push_back(std::move(message));
  return mails;
}

std::string findFile(const std::string& folder, const std::string& name) {
  std::error_code ec;
  for (auto it = std::filesystem::recursive_directory_iterator(platform::toPath(folder), ec);
       !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
    if (platform::fromPath(it->path().filename()) == name) return platform::fromPath(it->path());
  }
  return {};
}

void expectStoreFile(const std::string& pstPath, const std::string& folder,
                     const std::vector<mail::Message>& mails, const std::string& work) {
  SCOPED_TRACE(pstPath);
  ASSERT_FALSE(pstPath.empty()) << "no store file was written";
  const auto report = pst::checkPstFile(pstPath);
  for (const auto& p : report.problems) ADD_FAILURE() << p;
  EXPECT_EQ(report.messages, mails.size());

  qm::test::ExpectedStore expected{{"Deleted Items", {}}, {"Inbox", {}}};
  auto& inFolder = expected[folder];
  for (const auto& m : mails) inFolder.push_back(&m);
  std::filesystem::create_directories(platform::toPath(work));
  const auto rb = qm::test::readBack(pstPath, "Tarnwick Converted Mails", expected, work);
  if (rb.ran) {
    EXPECT_EQ(rb.status, 0) << rb.output;
  }
}

std::size_t mailsInStoreFile(const std::string& pstPath) {
  const auto report = pst::checkPstFile(pstPath);
  for (const auto& p : report.problems) ADD_FAILURE() << pstPath << ": " << p;
  return report.messages;
}

}  // namespace qm::convert::test
