// quillmend scan: the table, the JSON lines, and paths that cannot be scanned.
#include "cli/scan_command.h"

#include <gtest/gtest.h>

#include <iterator>
#include <regex>
#include <sstream>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include "cli/json_text.h"
#include "tests/cli/command_outcome.h"
#include "tests/support/files.h"
#include "tests/support/temp_dir.h"
#include "tests/support/storegen/store_generator.h"

using qm::test::TempDir;

namespace {

const std::string kSample = std::string(QM_SOURCE_DIR) + "/samples/Sample.dbx";

using Output = CommandOutcome;

Output scan(const CommandArgs& args) { return runCaught(runScan, args); }

TEST(ScanCommand, PrintsATableRowPerStore) {
  const Output o = scan({kSample});
  EXPECT_EQ(o.status, 0);
  EXPECT_EQ(o.err, "");
  std::istringstream lines(o.out);
  std::string header, row, extra;
  std::getline(lines, header);
  std::getline(lines, row);
  EXPECT_FALSE(std::getline(lines, extra));
  EXPECT_EQ(header.substr(0, 4), "File");
  EXPECT_NE(header.find("Blocks  Mails  Rejected"), std::string::npos);
  EXPECT_NE(row.find("message store  69620      18      6         0"), std::string::npos) << row;
}

TEST(ScanCommand, JsonGivesOneObjectPerStore) {
  TempDir dir;
  auto damaged = qm::storegen::buildStore({std::string(1100, 'a'), "b"});
  qm::storegen::cutChainAt(damaged, 0, 1);
  qm::storegen::breakMagic(damaged);
  const std::string path = dir.file("D\xC3\xA4maged.dbx");
  qm::test::writeFile(path, damaged.bytes);
  const Output o = scan({"--json", kSample, path});
  EXPECT_EQ(o.status, 0);
  std::string expected = "{\"file\":";
  expected += jsonString(kSample);
  expected += ",\"kind\":\"message store\",\"size\":69620,\"blocks\":18,\"mails\":6,\"rejected\":0,\"strayBlocks\":0}\n";
  expected += "{\"file\":";
  expected += jsonString(path);
  expected += ",\"kind\":\"not a store\",\"size\":";
  expected += std::to_string(damaged.bytes.size());
  expected += ",\"blocks\":3,\"mails\":2,\"rejected\":1,\"strayBlocks\":1}\n";
  // The seconds the scan and the linking took vary from run to run: a number to the
  // millisecond, last in each object.
  const std::regex seconds(",\"seconds\":[0-9]+\\.[0-9]{3}\\}");
  EXPECT_EQ(std::distance(std::sregex_iterator(o.out.begin(), o.out.end(), seconds), std::sregex_iterator()), 2);
  EXPECT_EQ(std::regex_replace(o.out, seconds, "}"), expected);
}

TEST(ScanCommand, UnusablePathsAreReportedAndTheOthersStillScanned) {
  TempDir dir;
  const Output o = scan({"--json", dir.file("missing.dbx"), "", dir.path(), kSample});
  EXPECT_EQ(o.status, 1);
  EXPECT_EQ(o.err, "quillmend scan: '" + dir.file("missing.dbx") + "' does not exist\n" +
                       "quillmend scan: empty path\n" + "quillmend scan: '" + dir.path() +
                       "' is a folder, not a store file\n");
  EXPECT_NE(o.out.find("\"mails\":6"), std::string::npos);
}

TEST(ScanCommand, EmptyFileIsAStoreWithNothingInIt) {
  TempDir dir;
  qm::test::writeFile(dir.file("Empty.dbx"), std::string());
  const Output o = scan({"--json", dir.file("Empty.dbx")});
  EXPECT_EQ(o.status, 0);
  EXPECT_NE(o.out.find("\"kind\":\"not a store\",\"size\":0,\"blocks\":0,\"mails\":0"), std::string::npos) << o.out;
}

#ifndef _WIN32
TEST(ScanCommand, PipesAndDevicesAreNoStores) {
  TempDir dir;
  ASSERT_EQ(mkfifo(dir.file("fifo").c_str(), 0600), 0);
  const Output o = scan({dir.file("fifo"), "/dev/zero"});
  EXPECT_EQ(o.status, 1);
  EXPECT_EQ(o.err, "quillmend scan: '" + dir.file("fifo") +
                       "' is not a regular file (a device, a pipe or a socket), so no store\n"
                       "quillmend scan: '/dev/zero' is not a regular file (a device, a pipe or a socket), so no store\n");
}
#endif

TEST(ScanCommand, UsageErrors) {
  EXPECT_EQ(scan({}).status, 2);
  EXPECT_EQ(scan({"--bogus", kSample}).status, 2);
}

TEST(JsonText, EscapesWhatJsonNeedsAndReplacesBrokenUtf8) {
  EXPECT_EQ(jsonString("a\"b\\c\n\x01"), "\"a\\\"b\\\\c\\u000a\\u0001\"");
  EXPECT_EQ(jsonString("K\xC3\xB6ln"), "\"K\xC3\xB6ln\"");
  EXPECT_EQ(jsonString("K\xF6ln"), "\"K\\ufffdln\"");
}

}  // namespace
