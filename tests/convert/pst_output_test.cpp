// Stores converted to personal folder files through the worker, with the real store file
// behind the component: every file is checked by our checker and read back by readpst,
// pffexport and pst-extractor, against the mails the engine writes from the same store.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "convert/conversion_worker.h"
#include "convert/pst_mode.h"
#include "convert/run_thread.h"
#include "convert/save_option.h"
#include "mailstore/pst/pst_store.h"
#include "mailstore/standard_components.h"
#include "platform/files.h"
#include "tests/convert/pst_read_back.h"
#include "tests/convert/run_fixture.h"
#include "tests/convert/sample_mails.h"
#include "tests/support/files.h"
#include "tests/support/storegen/store_generator.h"

namespace qm::convert::test {
namespace {


class PstOutput : public OutputRunTest {
 protected:
  PstOutput() : OutputRunTest(SAVEASPST) {}
  static void SetUpTestSuite() { mail::useStandardComponents(); }
  // Checks the file converted from `store` against the store's mails (the first `count`
  // of them, all by default).
  void expectConverted(const std::string& store, std::size_t count = ~std::size_t{0}) {
    const std::string base = platform::fromPath(platform::toPath(store).stem());
    auto mails = storeMails(store, work("eml_" + base));
    if (count < mails.size()) mails.resize(count);
    expectStoreFile(findFile(out(), "Converted_" + base + ".pst"), base, mails, work("read_" + base));
  }
};

TEST_F(PstOutput, TheBundledSampleAndTheRealStoresConvertToFilesTheReadersAgreeWith) {
  const std::vector<std::string> stores = sampleAndRealStores();
  ASSERT_GT(stores.size(), 10u);
  EXPECT_EQ(run(settingsFor(stores)), 0);
  for (const auto& store : stores) expectConverted(store);
}

TEST_F(PstOutput, GeneratedStoresInEveryLayoutAndWithDamageConvertToFilesTheReadersAgreeWith) {
  const auto mails = mailboxMails(300 * 1024);
  // Mail 2's attachment loses its end.
  const std::vector<std::string> stores = layoutAndDamagedStores(dir, mails, 2, 5);

  EXPECT_EQ(run(settingsFor(stores)), 0);
  for (const auto& store : stores) expectConverted(store);
}

TEST_F(PstOutput, AStopInTheMailLoopLeavesAFileWithExactlyTheMailsSavedBeforeIt) {
  const auto store = writeStore(dir.file("Stopped.dbx"), mailboxMails(20 * 1024));
  recorder.after = [&](const std::string& event) {
    if (event == "mailDone: 2/6 saved") token.stop();
  };
  EXPECT_EQ(run(settingsFor({store})), -1);
  expectConverted(store, 3);
}

TEST_F(PstOutput, AStopFromAnotherThreadLeavesASoundFileWithTheMailsSavedUntilThen) {
  std::vector<std::string> mails;
  for (int i = 0; i < 400; ++i) mails.push_back(longMail("mail " + std::to_string(i), 2000 + i * 37));
  const auto store = writeStore(dir.file("Busy.dbx"), mails);
  std::atomic<int> shown{0};
  recorder.after = [&](const std::string& event) {
    if (event.rfind("mailDone: ", 0) == 0) ++shown;
  };
  const RunSettings settings = settingsFor({store});
  SettingsInput input(settings);
  RunThread thread;
  std::atomic<bool> done{false};
  thread.start([&](CancelToken& runToken) {
    ConversionWorker(input, recorder, runToken, recorder.environment(kRunStamp)).run();
    done = true;
  });
  while (shown < 50 && !done) std::this_thread::yield();
  thread.stop();
  // Once the stopped worker has ended, the file is complete: the mail under way when Stop
  // came is saved whole and the store flushed.
  const int atStop = shown;
  thread.join();
  const std::string pst = findFile(out(), "Converted_Busy.pst");
  const std::size_t held = mailsInStoreFile(pst);
  EXPECT_EQ(shown, atStop) << "nothing is shown after Stop";
  // A mail saved just before Stop, or under way at it, has not been shown.
  EXPECT_GE(held, static_cast<std::size_t>(atStop));
  EXPECT_LE(held, static_cast<std::size_t>(atStop) + 1);
  expectConverted(store, held);
}

TEST_F(PstOutput, AFullDiskEndsTheRunWithAnErrorAndTheFileKeepsTheMailsOfItsLastFlush) {
  const auto store = writeStore(dir.file("Full.dbx"), attachmentMails(12, 100 * 1024));
  const auto sessions = [] {
    mail::ComponentSetup setup;
    setup.storeFactory = [](const std::string& path, const std::u16string& name, const mail::StoreWarningHandler& warn) {
      mail::PstStoreOptions options;
      options.warn = warn;
      options.flushEvery = 2;
      options.diskSpace = 900 * 1024;  // room for the empty file and a few mails
      return mail::createPstStore(path, name, options);
    };
    return std::make_unique<mail::RDOSession>(setup);
  };
  EXPECT_EQ(run(settingsFor({store}), [&](std::int32_t) { return std::make_unique<PstMode>(sessions); }), -1);
  const auto events = recorder.events();
  EXPECT_EQ(events.back().rfind("runEnded: failed: Could not write Output PST file: ", 0), 0u) << events.back();
  bool reported = false;
  for (const auto& e : events) {
    if (e.rfind("message(error): Could not write Output PST file:\n", 0) == 0) reported = true;
    EXPECT_EQ(e.find("Succeeded"), std::string::npos) << e;
  }
  EXPECT_TRUE(reported);
  const std::size_t held = mailsInStoreFile(findFile(out(), "Converted_Full.pst"));
  EXPECT_GT(held, 0u);
  EXPECT_LT(held, 12u);
  EXPECT_EQ(held % 2, 0u) << "the file holds what a flush made durable";
  expectConverted(store, held);
}

}  // namespace
}  // namespace qm::convert::test
