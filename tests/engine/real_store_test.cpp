// Stores written by Outlook Express itself: the mail counts their own headers give, and no
// mail from the stores of other kinds or with a wrong signature.
#include <gtest/gtest.h>

#include "engine/dbx_format.h"
#include "tests/engine/engine_fixture.h"
#include "tests/support/files.h"

using qm::test::sharedFile;
using qm::test::TempDir;

namespace {

struct RealStore {
  const char* file;
  std::int32_t mails;
  dbx::SignatureKind kind;
};

constexpr RealStore kStores[] = {
    {"linux-kernel.dbx", 4, dbx::SignatureKind::MessageStore},
    {"acpi-devel.dbx", 4, dbx::SignatureKind::MessageStore},
    {"kde.dbx", 5, dbx::SignatureKind::MessageStore},
    {"ck.dbx", 5, dbx::SignatureKind::MessageStore},
    {"kmail.dbx", 5, dbx::SignatureKind::MessageStore},
    {"hal-commit.dbx", 4, dbx::SignatureKind::MessageStore},
    {"hal.dbx", 3, dbx::SignatureKind::MessageStore},
    {"Posteingang.dbx", 1, dbx::SignatureKind::MessageStore},
    {"Mailinglists.dbx", 0, dbx::SignatureKind::MessageStore},
    {"Folders.dbx", 0, dbx::SignatureKind::OtherKind},
    {"Offline.dbx", 0, dbx::SignatureKind::OtherKind},
    {"mbx-named-test2.dbx", 0, dbx::SignatureKind::NotDbx},
    {"fmt-838-signature-id-1193.dbx", 0, dbx::SignatureKind::MessageStore},
    {"fmt-839-signature-id-1194.dbx", 0, dbx::SignatureKind::OtherKind},
    {"welcome/Inbox.dbx", 1, dbx::SignatureKind::MessageStore},
    {"welcome/Outbox.dbx", 0, dbx::SignatureKind::MessageStore},
    {"welcome/Folders.dbx", 0, dbx::SignatureKind::OtherKind},
    {"welcome/Offline.dbx", 0, dbx::SignatureKind::OtherKind},
};

TEST(RealStores, GiveTheMailCountsOfTheirOwnHeaders) {
  for (const auto& s : kStores) {
    const std::string path = sharedFile(std::string("samples/real/") + s.file);
    const std::string bytes = qm::test::readFile(path);
    EXPECT_EQ(dbx::classifySignature(qm::asBytes(bytes)), s.kind) << s.file;
    TempDir out;
    const Extraction got = extractMails(path, out);
    EXPECT_EQ(got.found, s.mails) << s.file;
    for (std::size_t m = 0; m < got.mails.size(); ++m) {
      EXPECT_TRUE(got.saved[m]) << s.file << " mail " << m;
      EXPECT_NE(got.mails[m].find("Subject:"), std::string::npos) << s.file << " mail " << m;
    }
  }
}

// The recovery-mode rules are strict: a mailing-list mail with Received: and Return-Path:
// but no Delivered-To: or Envelope-To: and no X-MimeOLE: is refused; a mail composed by
// Outlook Express passes.
TEST(RealStores, RecoveryModeKeepsComposedMailsAndRefusesListMailsWithoutDeliveryLines) {
  TempDir out;
  const Extraction welcome = extractMails(sharedFile("samples/real/welcome/Inbox.dbx"), out, true);
  EXPECT_EQ(welcome.saved, std::vector<bool>{true});
  const Extraction list = extractMails(sharedFile("samples/real/linux-kernel.dbx"), out, true);
  EXPECT_EQ(list.saved, std::vector<bool>(4, false));
}

}  // namespace
