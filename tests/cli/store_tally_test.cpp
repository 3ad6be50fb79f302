// The counts and reasons of a run as the command line reports them, fed with the run's
// events as the worker sends them.
#include "cli/store_tally.h"

#include <gtest/gtest.h>

#include "cli/run_summary.h"

namespace {

using qm::convert::FileReport;
using qm::convert::MailResult;
using State = StoreResult::State;

std::vector<qm::convert::SourceRow> threeStores() {
  return {{"/in/Inbox.dbx", "Inbox.dbx"}, {"/in/Sent.dbx", "Sent.dbx"}, {"/in/Old.dbx", "Old.dbx"}};
}

// Mails of a store: 's' written, 'f' failed with the given error line first.
void mails(StoreTally& tally, const std::string& outcomes,
           const std::string& line = "Error creating file x: No space") {
  tally.mailsFound(static_cast<int>(outcomes.size()));
  for (std::size_t i = 0; i < outcomes.size(); ++i) {
    if (outcomes[i] == 'f') {
      tally.errorLine(line);
      tally.errorLine("could not write x file to y folder");
    }
    tally.mailDone(outcomes[i] == 's' ? MailResult::Saved : MailResult::Failed);
  }
}

TEST(StoreTally, CtrlCInTheMiddleOfAStoreKeepsItsTrueCounts) {
  StoreTally tally(threeStores(), false);
  tally.fileStarted({0, 3, "/in/Inbox.dbx", "Inbox.dbx"});
  mails(tally, "ss");
  FileReport first{0, "/in/Inbox.dbx", "/out/1_Converted_Inbox_As_EML", 2, 2, 0};
  tally.fileFinished(first);
  tally.fileStarted({1, 3, "/in/Sent.dbx", "Sent.dbx"});
  tally.mailsFound(500);
  for (int i = 0; i < 120; ++i) tally.mailDone(MailResult::Saved);
  // The worker completed one more mail while the stop was handled; its report was cut off.
  FileReport last{1, "/in/Sent.dbx", "/out/2_Converted_Sent_As_EML", 500, 121, 0};
  tally.runEnded(true, last);

  const auto& stores = tally.stores();
  EXPECT_EQ(stores[1].state, State::Stopped);
  EXPECT_EQ(stores[1].written, 121);
  EXPECT_EQ(stores[1].failed, 0);
  EXPECT_EQ(stores[2].state, State::Waiting);
  EXPECT_EQ(storeLine(stores[1], 3), "[2/3] Sent.dbx: stopped: 121 mails written (of 500 found)");
  EXPECT_EQ(storeLine(stores[2], 3), "[3/3] Old.dbx: not converted");
  const RunTotals t = tally.totals();
  EXPECT_EQ(t.written, 123);
  EXPECT_EQ(t.converted, 1);
}

TEST(StoreTally, AFailureThatEndsTheRunFailsTheMailsNotWritten) {
  StoreTally tally(threeStores(), false);
  tally.fileStarted({0, 3, "/in/Inbox.dbx", "Inbox.dbx"});
  mails(tally, "sss");
  tally.mailsFound(1655);  // as a store of 1,655 mails that a full disk ends in PST mode
  EXPECT_TRUE(tally.errorMessage("Could not write Output PST file:\nthe disk is full"));
  EXPECT_FALSE(tally.errorMessage("a later message")) << "the first reason stays";
  tally.runEnded(false, FileReport{0, "/in/Inbox.dbx", "", 1655, 3, 0});
  const StoreResult& s = tally.stores()[0];
  EXPECT_EQ(s.state, State::Broken);
  EXPECT_EQ(s.failed, 1652);
  EXPECT_EQ(storeLine(s, 3),
            "[1/3] Inbox.dbx: failed: 3 mails written, 1652 failed (of 1655 found)");
  EXPECT_EQ(storeWarnings(s),
            "Inbox.dbx: 1652 mails failed; first reason: Could not write Output PST file: the disk "
            "is full\n");
}

TEST(StoreTally, TheFirstFailedMailGivesTheReasonAndRefusalsAreNone) {
  StoreTally tally(threeStores(), true);
  tally.fileStarted({0, 3, "/in/Inbox.dbx", "Inbox.dbx"});
  tally.errorLine("session created");  // error-log lines of the set-up belong to no mail
  tally.mailsFound(4);
  tally.mailDone(MailResult::Saved);
  tally.errorLine("Mail 1 rejected as no valid mail header found in it.");
  tally.mailDone(MailResult::Failed);
  tally.errorLine("could not write  file to /out folder");
  tally.mailDone(MailResult::NotAMail);  // an entry that is no mail: neither lost nor a reason
  tally.errorLine("Error creating file /out/Inbox_000004.eml: Permission denied");
  tally.errorLine("conversion fails for mail 3");
  tally.mailDone(MailResult::Failed);
  const StoreResult& live = tally.stores()[0];
  EXPECT_EQ(live.written, 1);
  EXPECT_EQ(live.leftOut, 1);
  EXPECT_EQ(live.failed, 1);
  EXPECT_EQ(live.reason, "Error creating file /out/Inbox_000004.eml: Permission denied");

  FileReport report{0, "/in/Inbox.dbx", "/out", 4, 1, 2, 1};
  report.headerless = 1;
  tally.fileFinished(report);
  const StoreResult& s = tally.stores()[0];
  EXPECT_EQ(s.state, State::Finished);
  EXPECT_EQ(s.failed, 1);
  EXPECT_EQ(s.leftOut, 1);
  EXPECT_EQ(s.headerless, 0) << "refused, not written";
  EXPECT_EQ(storeLine(s, 3),
            "[1/3] Inbox.dbx: 1 of 3 mails written, 1 failed, 1 left out by --recovery -> /out");
}

TEST(StoreTally, DamageIsAWarningNotAFailure) {
  StoreTally tally(threeStores(), false);
  tally.fileStarted({0, 3, "/in/Inbox.dbx", "Inbox.dbx"});
  mails(tally, "ss");
  FileReport report{0, "/in/Inbox.dbx", "/out", 2, 2, 0};
  report.rejectedChains = 12;
  report.strayBlocks = 40;
  report.headerless = 1;
  tally.fileFinished(report);
  const StoreResult& s = tally.stores()[0];
  EXPECT_TRUE(s.clean());
  EXPECT_TRUE(s.damaged());
  EXPECT_EQ(storeWarnings(s),
            "Inbox.dbx: warning: 12 chains dropped as incomplete, 1 mail written without a "
            "recognisable header (--recovery leaves them out), 40 blocks belonging to no mail\n");
}

TEST(StoreTally, AStoreThatCannotBeOpenedSaysSo) {
  StoreTally tally(threeStores(), false);
  tally.fileStarted({0, 3, "/in/Inbox.dbx", "Inbox.dbx"});
  EXPECT_TRUE(
      tally.errorMessage("Error Opening /in/Inbox.dbx file. \nConvertion fails for this file"));
  tally.fileFinished({0, "/in/Inbox.dbx", "/out", -1, 0, 0});
  const StoreResult& s = tally.stores()[0];
  EXPECT_EQ(s.state, State::Unopened);
  EXPECT_EQ(storeLine(s, 3), "[1/3] Inbox.dbx: could not be opened");
  EXPECT_EQ(
      storeWarnings(s),
      "Inbox.dbx: failed: Error Opening /in/Inbox.dbx file. Convertion fails for this file\n");
}

}  // namespace
