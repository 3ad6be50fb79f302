// quillmend index, and quillmend convert --to dbx read back with it.
#include "cli/index_command.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>

#include "cli/convert_command.h"
#include "platform/files.h"
#include "tests/cli/command_outcome.h"
#include "tests/support/files.h"
#include "tests/support/temp_dir.h"

namespace {

using qm::test::TempDir;
namespace platform = qm::platform;

using Outcome = CommandOutcome;

Outcome run(CommandFunction command, const CommandArgs& args) { return runCaught(command, args); }

TEST(IndexCommand, ListsTheMailsOfAStoresIndexAndChecksIt) {
  const Outcome o = run(runIndex, {"--check", qm::test::sharedFile("samples/real/hal.dbx")});
  EXPECT_EQ(o.status, 0) << o.err;
  std::istringstream lines(o.out);
  std::string line;
  std::getline(lines, line);
  EXPECT_EQ(line, qm::test::sharedFile("samples/real/hal.dbx") + ": message store \"hal\", 3 mails");
  int mails = 0;
  while (std::getline(lines, line) && line.rfind("  check:", 0) != 0) {
    EXPECT_EQ(line.rfind("  " + std::to_string(mails + 2) + "\t2005-", 0), 0u) << line;
    ++mails;
  }
  EXPECT_EQ(mails, 3);
  EXPECT_EQ(line, "  check: sound");
}

TEST(IndexCommand, RefusesFilesThatAreNoMessageStores) {
  const Outcome o = run(runIndex, {qm::test::sharedFile("samples/real/Folders.dbx")});
  EXPECT_EQ(o.status, 1);
  EXPECT_EQ(run(runIndex, {}).status, 2);
  EXPECT_EQ(run(runIndex, {"--frobnicate", "x.dbx"}).status, 2);
  EXPECT_EQ(run(runIndex, {"/no/such/store.dbx"}).status, 1);
}

TEST(IndexCommand, ReadsTheStoreThatConvertToDbxWrites) {
  TempDir dir;
#ifdef _WIN32
  _putenv_s("TMP", (dir.path() + "\\").c_str());
#else
  setenv("TMPDIR", dir.path().c_str(), 1);
#endif
  const std::string sample = std::string(QM_SOURCE_DIR) + "/samples/Sample.dbx";
  ASSERT_TRUE(platform::createDirectory(dir.file("out")));
  const Outcome c = run(runConvert, {"--to", "dbx", "-d", dir.file("out"), sample});
  ASSERT_EQ(c.status, 0) << c.err;
  std::string store;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(platform::toPath(dir.file("out"))))
    if (entry.path().extension() == ".dbx") store = platform::fromPath(entry.path());
  ASSERT_NE(store, "");
  EXPECT_NE(store.find("Tarnwick-Converted-DBX-0--"), std::string::npos);
  const Outcome o = run(runIndex, {"--check", store});
  EXPECT_EQ(o.status, 0) << o.err;
  EXPECT_NE(o.out.find(", 6 mails\n"), std::string::npos) << o.out;
  EXPECT_NE(o.out.find("  check: sound\n"), std::string::npos) << o.out;
}

}  // namespace
