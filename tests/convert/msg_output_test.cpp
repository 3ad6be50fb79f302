// Stores converted to message files through the worker, with the real writer behind the
// component: every file is checked by our checker and read back by python3-olefile,
// msgconvert, msgreader and olecfinfo, against the mails the engine writes from the store.
#include <gtest/gtest.h>

#include "convert/conversion_worker.h"
#include "convert/save_option.h"
#include "mailstore/standard_components.h"
#include "platform/files.h"
#include "tests/convert/msg_read_back.h"
#include "tests/convert/pst_read_back.h"
#include "tests/convert/run_fixture.h"
#include "tests/convert/sample_mails.h"
#include "tests/support/files.h"
#include "tests/support/storegen/store_generator.h"

namespace qm::convert::test {
namespace {


// Non-ASCII in every field, an inline image beside a file, and a mail forwarded inside a
// forwarded mail.
std::vector<std::string> deepMails() {
  const std::string inner =
      "From: =?UTF-8?B?xZpsZWR6aWs=?= <sledz@example.pl>\r\nTo: =?UTF-8?B?w5hzdGVy?= <oster@example.dk>\r\n"
      "Subject: =?UTF-8?B?SW5uZXIg4oCTIMOfw6TDtg==?=\r\nDate: Tue, 02 Mar 2004 10:00:00 +0000\r\n"
      "MIME-Version: 1.0\r\nContent-Type: multipart/mixed; boundary=\"in\"\r\n\r\n"
      "--in\r\nContent-Type: text/plain; charset=utf-8\r\nContent-Transfer-Encoding: 8bit\r\n\r\n"
      "Z\xC3\xB3\xC5\x82w \xE2\x82\xAC.\r\n"
      "--in\r\nContent-Type: message/rfc822\r\n\r\n"
      "From: Deep <deep@example.org>\r\nTo: oster@example.dk\r\nSubject: Deepest\r\n"
      "Date: Mon, 01 Mar 2004 08:00:00 +0000\r\n\r\nThe bottom.\r\n--in--\r\n";
  return {
      "From: =?UTF-8?B?w4lsb2RpZSBHcsO8bg==?= <elodie@example.fr>\r\n"
      "To: =?UTF-8?B?5bGx55Sw?= <yamada@example.jp>, Bob <bob@example.com>\r\nCc: =?UTF-8?B?0JjQstCw0L0=?= <ivan@example.ru>\r\n"
      "Subject: =?UTF-8?B?RndkOiDDnGJlciDlpKfpmKo=?=\r\nDate: Wed, 03 Mar 2004 12:30:00 +0100\r\nMIME-Version: 1.0\r\n"
      "Content-Type: multipart/mixed; boundary=\"out\"\r\n\r\n"
      "--out\r\nContent-Type: multipart/related; boundary=\"rel\"\r\n\r\n"
      "--rel\r\nContent-Type: text/html; charset=utf-8\r\n\r\n<p>Gr\xC3\xBC\xC3\x9F <img src=\"cid:pic@x\"></p>\r\n"
      "--rel\r\nContent-Type: image/png\r\nContent-ID: <pic@x>\r\nContent-Transfer-Encoding: base64\r\n\r\n" +
          base64(binary(3000, 3)) + "--rel--\r\n"
      "--out\r\nContent-Type: application/octet-stream; name=\"=?UTF-8?B?w6TDtsO8LmJpbg==?=\"\r\n"
      "Content-Disposition: attachment; filename*=UTF-8''%C3%A4%C3%B6%C3%BC.bin\r\nContent-Transfer-Encoding: base64\r\n\r\n" +
          base64(binary(9000, 4)) + "--out\r\nContent-Type: message/rfc822\r\n\r\n" + inner + "--out--\r\n"};
}

class MsgOutput : public OutputRunTest {
 protected:
  MsgOutput() : OutputRunTest(SAVEASMSG) {}
  static void SetUpTestSuite() { mail::useStandardComponents(); }

  // The output folder of the store converted `n`-th (from 1), checked against its mails.
  void expectConverted(const std::string& store, int n, std::size_t count = ~std::size_t{0}) {
    const std::string base = platform::fromPath(platform::toPath(store).stem());
    auto mails = indexedStoreMails(store, work("eml_" + base));
    if (count < mails.size()) mails.resize(count);
    const std::string folder = out() + platform::pathSeparator() + std::to_string(n) + "_Converted_" + base + "_As_MSG";
    expectMessageFiles(folder, mails, work("read_" + base));
  }
};

TEST_F(MsgOutput, TheBundledSampleAndTheRealStoresConvertToFilesTheReadersAgreeWith) {
  const std::vector<std::string> stores = sampleAndRealStores();
  ASSERT_GT(stores.size(), 10u);
  EXPECT_EQ(run(stores), 0);
  for (std::size_t i = 0; i < stores.size(); ++i) expectConverted(stores[i], static_cast<int>(i + 1));
  EXPECT_TRUE(snapshot(dir.file("temp")).empty()) << "the temporary store and .eml files are gone";
}

TEST_F(MsgOutput, GeneratedStoresInEveryLayoutAndWithDamageConvertToFilesTheReadersAgreeWith) {
  auto mails = mailboxMails(300 * 1024);
  for (auto& m : deepMails()) mails.push_back(m);
  // Mail 2's attachment loses its end.
  const std::vector<std::string> stores = layoutAndDamagedStores(dir, mails, 2, 5);

  EXPECT_EQ(run(stores), 0);
  for (std::size_t i = 0; i < stores.size(); ++i) expectConverted(stores[i], static_cast<int>(i + 1));
}

TEST_F(MsgOutput, AStopInTheMailLoopLeavesTheFilesWrittenBeforeItAndNoPartOfTheNext) {
  const auto store = writeStore(dir.file("Stopped.dbx"), mailboxMails(20 * 1024));
  recorder.after = [&](const std::string& event) {
    if (event == "mailDone: 2/6 saved") token.stop();
  };
  EXPECT_EQ(run({store}), -1);
  expectConverted(store, 1, 3);
}

}  // namespace
}  // namespace qm::convert::test
