// quillmend list: a line or a JSON object per mail; the log warning of the commands.
#include "cli/list_command.h"

#include <gtest/gtest.h>

#include <sstream>

#include "cli/source_check.h"
#include "platform/files.h"
#include "tests/cli/command_outcome.h"
#include "tests/support/files.h"
#include "tests/support/storegen/store_generator.h"
#include "tests/support/temp_dir.h"

using qm::test::TempDir;

namespace {

const std::string kSample = std::string(QM_SOURCE_DIR) + "/samples/Sample.dbx";

using Output = CommandOutcome;

Output list(const CommandArgs& args) { return runCaught(runList, args); }

std::string mail(const std::string& subject, std::size_t length) {
  std::string text =
      "From: =?ISO-8859-1?Q?J=F6rg?= <j@example.com>\r\nTo: b@example.com\r\nSubject: " + subject +
      "\r\nDate: Tue, 2 Mar 2010 10:00:00 +0100\r\nMIME-Version: 1.0\r\nX-MimeOLE: V6\r\n\r\n";
  text.resize(length, 'x');
  return text;
}

TEST(ListCommand, ALinePerMailWithItsPlaceSizeAndHeaderFields) {
  TempDir dir;
  auto store = qm::storegen::buildStore(
      {mail("first", 600), mail("second\r\n folded", 300), mail("third", 1200)});
  qm::storegen::cutChainAt(store, 2, 0);  // the third mail loses its header block
  qm::test::writeFile(dir.file("Box.dbx"), store.bytes);
  const Output o = list({dir.file("Box.dbx")});
  EXPECT_EQ(o.status, 0) << o.err;
  EXPECT_EQ(o.out,
            dir.file("Box.dbx") + "\n" +
                "    No       Offset Blocks     Bytes Complete Header  Date                        "
                "     From                            Subject\n"
                "     1        60116      2       600 yes      yes     Tue, 2 Mar 2010 10:00:00 "
                "+0100   J\xC3\xB6rg <j@example.com>            first\n"
                "     2        61172      1       300 yes      yes     Tue, 2 Mar 2010 10:00:00 "
                "+0100   J\xC3\xB6rg <j@example.com>            second folded\n"
                "     3        62228      2       688 yes      no\n"
                "3 mails, 0 chains dropped as incomplete, 0 blocks belonging to no mail\n\n");
}

TEST(ListCommand, JsonGivesAnObjectPerMail) {
  const Output o = list({"--json", kSample});
  EXPECT_EQ(o.status, 0);
  std::istringstream lines(o.out);
  std::string first;
  std::getline(lines, first);
  EXPECT_EQ(first,
            "{\"store\":\"" + kSample +
                "\",\"number\":1,\"offset\":60116,\"blocks\":2,\"bytes\":664,\"complete\":true,"
                "\"header\":true,"
                "\"date\":\"Tue, 14 Mar 2006 09:12:44 +0100\",\"from\":\"\\\"Martin Keller\\\" "
                "<martin.keller@example.org>\",\"subject\":\"Meeting on Thursday\"}");
  int count = 1;
  for (std::string line; std::getline(lines, line);) ++count;
  EXPECT_EQ(count, 6);
}

TEST(ListCommand, UnusableStoresAndUsage) {
  TempDir dir;
  const Output o = list({dir.file("missing.dbx"), kSample});
  EXPECT_EQ(o.status, 1);
  EXPECT_EQ(o.err, "quillmend list: '" + dir.file("missing.dbx") + "' does not exist\n");
  EXPECT_NE(o.out.find("6 mails, 0 chains dropped"), std::string::npos);
  EXPECT_EQ(list({}).status, 2);
  EXPECT_EQ(list({"--jsn", kSample}).status, 2);
  std::ostringstream help, err;
  EXPECT_EQ(runList({"--help"}, help, err), 0);
  EXPECT_EQ(help.str().rfind("usage: quillmend list", 0), 0u);
}

TEST(CommandLogs, LogsThatCannotBeWrittenAreWarnedAbout) {
  TempDir dir;
  // "Log Files" taken by a plain file: no log can be made, whoever runs the test.
  qm::test::writeFile(dir.file("Log Files"), std::string("x"));
  std::ostringstream err;
  const std::string folder = dir.path() + std::string(1, qm::platform::pathSeparator());
  EXPECT_FALSE(startLogsIn(folder, "convert", err));
  EXPECT_EQ(err.str(), "quillmend convert: warning: the logs cannot be written in '" + folder +
                           "Log Files'; the run goes on without them\n");
  TempDir good;
  std::ostringstream quiet;
  EXPECT_TRUE(
      startLogsIn(good.path() + std::string(1, qm::platform::pathSeparator()), "scan", quiet));
  EXPECT_EQ(quiet.str(), "");
}

}  // namespace
