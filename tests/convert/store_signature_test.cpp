#include "convert/store_signature.h"

#include <gtest/gtest.h>

#include "platform/files.h"
#include "tests/support/files.h"
#include "tests/support/temp_dir.h"

namespace qm::convert {
namespace {

using test::TempDir;

std::string header(unsigned char kindFirstByte) {
  return std::string("\xCF\xAD\x12\xFE", 4) + static_cast<char>(kindFirstByte) + "\xFD\x74\x6F" +
         std::string(100, '\0');
}

TEST(StoreSignature, TellsAMessageStoreFromEveryOtherFile) {
  TempDir dir;
  test::writeFile(dir.file("Inbox.dbx"), header(0xC5));
  test::writeFile(dir.file("Folders.dbx"), header(0xC6));
  test::writeFile(dir.file("mail.txt"), std::string("From: someone\r\n\r\nHello there"));
  test::writeFile(dir.file("short.dbx"), std::string("\xCF\xAD\x12\xFE", 4));
  EXPECT_EQ(checkStoreSignature(dir.file("Inbox.dbx")), StoreCheck::MessageStore);
  EXPECT_EQ(checkStoreSignature(dir.file("Folders.dbx")), StoreCheck::OtherKind);
  EXPECT_EQ(checkStoreSignature(dir.file("mail.txt")), StoreCheck::NotDbx);
  EXPECT_EQ(checkStoreSignature(dir.file("short.dbx")), StoreCheck::TooShort);
  EXPECT_EQ(checkStoreSignature(dir.file("absent.dbx")), StoreCheck::Unopenable);
  EXPECT_EQ(checkStoreSignature(dir.path()), StoreCheck::Unopenable);
}

}  // namespace
}  // namespace qm::convert
