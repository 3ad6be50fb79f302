#include "convert/output_names.h"

#include <gtest/gtest.h>

#include "convert/output_ownership.h"
#include "convert/progress.h"
#include "convert/save_option.h"
#include "platform/files.h"

namespace qm::convert {
namespace {

const std::string sep(1, platform::pathSeparator());
const platform::Stamp kMarch7{7, 3, 2010, 14, 5, 9};

TEST(BaseName, LosesItsFirstExactDbxOnly) {
  EXPECT_EQ(baseNameOf("Inbox.dbx"), "Inbox");
  EXPECT_EQ(baseNameOf("INBOX.DBX"), "INBOX.DBX");
  EXPECT_EQ(baseNameOf("Inbox"), "Inbox");
  EXPECT_EQ(baseNameOf("old.dbx.dbx"), "old.dbx");
  EXPECT_EQ(baseNameOf("my.dbx backup"), "my backup");
}

TEST(OutputFolder, CarriesNumberTagBaseAndTypeTagInThatOrder) {
  const OutputNaming defaults;
  EXPECT_EQ(outputFolderPath("D", defaults, 3, "Inbox", SAVEASEML),
            "D" + sep + "3_Converted_Inbox_As_EML");
  EXPECT_EQ(outputFolderPath("D", defaults, 1, "Inbox", SAVEASDBX), "D" + sep + "1_Converted_Inbox");
  EXPECT_EQ(outputFolderPath("D", defaults, 1, "Sent", SAVEASPST), "D" + sep + "1_Converted_Sent_As_PST");
  EXPECT_EQ(outputFolderPath("D", defaults, 1, "Sent", SAVEASMSG), "D" + sep + "1_Converted_Sent_As_MSG");
  EXPECT_EQ(outputFolderPath("D", defaults, 12, "Sent", SAVEASRTF), "D" + sep + "12_Converted_Sent_As_RTF");
  EXPECT_EQ(outputFolderPath("D", defaults, 1, "Sent", 9), "D" + sep + "1_Converted_Sent")
      << "a value outside the five kinds has no type tag";
}

TEST(OutputFolder, LeavesOutWhatTheNamingTurnsOff) {
  OutputNaming naming;
  naming.useFileCounter = false;
  EXPECT_EQ(outputFolderPath("D", naming, 5, "Inbox", SAVEASEML), "D" + sep + "Converted_Inbox_As_EML");
  naming.useFolderTag = false;
  EXPECT_EQ(outputFolderPath("D", naming, 5, "Inbox", SAVEASEML), "D" + sep + "Inbox_As_EML");
  naming.useTypeTag = false;
  EXPECT_EQ(outputFolderPath("D", naming, 5, "Inbox", SAVEASEML), "D" + sep + "Inbox");
  naming.useFolderTag = true;
  naming.folderTag = "Mail 2024";
  EXPECT_EQ(outputFolderPath("D", naming, 5, "Inbox", SAVEASEML), "D" + sep + "Mail 2024_Inbox");
}

TEST(TempFolder, NameCarriesBaseIndexUtcDateAndLocalTimeWithoutLeadingZeros) {
  EXPECT_EQ(fileStamp(0, kMarch7), "0_(DATE=3-7-2010)_(TIME=14hr.5m.9s)");
  EXPECT_EQ(tempFolderPath("/tmp/", "Inbox", 0, kMarch7),
            "/tmp/Tarnwick_Converted_Inbox_0_(DATE=3-7-2010)_(TIME=14hr.5m.9s)");
  EXPECT_EQ(tempFolderPath("T/", "Sent Items", 11, platform::Stamp{31, 12, 1999, 0, 0, 0}),
            "T/Tarnwick_Converted_Sent Items_11_(DATE=12-31-1999)_(TIME=0hr.0m.0s)");
}

TEST(ScanLine, ShowsAtMostFiftyThreeCharactersNeverHalfOfOne) {
  const std::string ascii(60, 'x');
  EXPECT_EQ(cutForScanLine(ascii), std::string(53, 'x'));
  EXPECT_EQ(cutForScanLine(std::string(53, 'y')), std::string(53, 'y'));
  std::string accented;
  for (int i = 0; i < 60; ++i) accented += "\xC3\xA9";  // é
  EXPECT_EQ(cutForScanLine(accented), accented.substr(0, 106));
  EXPECT_EQ(cutForScanLine("Preparing to Scan File : Inbox.dbx"), "Preparing to Scan File : Inbox.dbx");
}

TEST(Progress, FollowsTheMailsWithinTheFileAndTheFilesWithinTheRun) {
  // Three files of seven mails: the last mail of the second file.
  EXPECT_EQ(filePercent(6, 7, 100), 100);
  EXPECT_EQ(overallPercent(6, 7, 100, 1, 3), 66);
  // The first mail of the third file.
  EXPECT_EQ(filePercent(0, 7, 100), 14);
  EXPECT_EQ(overallPercent(0, 7, 100, 2, 3), 70);
  // One file: the overall bar follows the file bar.
  EXPECT_EQ(filePercent(2, 7, 100), 42);
  EXPECT_EQ(overallPercent(2, 7, 100, 0, 1), 42);
  // The DBX scale stops the file bar at 80; a file's slice of the overall bar is trunc(80/3).
  EXPECT_EQ(filePercent(6, 7, 80), 80);
  EXPECT_EQ(overallPercent(6, 7, 80, 0, 3), 26);
  EXPECT_EQ(filesDonePercent(0, 3), 33);
  EXPECT_EQ(filesDonePercent(1, 3), 66);
  EXPECT_EQ(filesDonePercent(2, 3), 100);
}

TEST(Progress, ExactWhereAFloatingDivisionWouldFallShort) {
  // 29 / 100 * 100 is 28.999... in floating point.
  EXPECT_EQ(filePercent(28, 100, 100), 29);
  EXPECT_EQ(overallPercent(56, 100, 100, 0, 1), 57);
  EXPECT_EQ(filePercent(2147483645, 2147483646, 100), 100) << "no overflow near the largest count";
  EXPECT_EQ(filePercent(0, 0, 100), 0);
}

// The files a run may delete from an existing output folder: what the output kind writes
// there for that store, or a partial file of it; nothing else.
TEST(OutputOwnership, OnlyTheKindsOwnNamesForThatStore) {
  const struct {
    std::int32_t kind;
    const char* name;
    bool ours;
  } cases[] = {
      {SAVEASEML, "Inbox_000001.eml", true},       {SAVEASEML, "Inbox_1234567.eml", true},
      {SAVEASEML, "Inbox_000001.eml.partial", true}, {SAVEASEML, "Inbox_000001.eml.partial-3", true},
      {SAVEASEML, "Inbox_00001.eml", false},       {SAVEASEML, "Sent_000001.eml", false},
      {SAVEASEML, "Inbox_00000a.eml", false},      {SAVEASEML, "Inbox.dbx", false},
      {SAVEASEML, "Inbox_000001.eml.partialx", false}, {SAVEASEML, "notes.txt", false},
      {SAVEASPST, "Converted_Inbox.pst", true},    {SAVEASPST, "Converted_Inbox.pst.partial", true},
      {SAVEASPST, "Converted_Sent.pst", false},    {SAVEASPST, "Inbox_000001.eml", false},
      {SAVEASMSG, "Converted_msg_000001.msg", true}, {SAVEASMSG, "Converted_msg_000001.rtf", false},
      {SAVEASRTF, "Converted_msg_000012.rtf", true}, {SAVEASRTF, "Converted_msg_12.rtf", false},
      {SAVEASDBX, "Tarnwick-Converted-DBX-0--3-7-2010--14hr-5m-9s.dbx", true},
      {SAVEASDBX, "Inbox.dbx", false},             {9, "Inbox_000001.eml", false},
  };
  for (const auto& c : cases) EXPECT_EQ(isOutputName(c.kind, "Inbox.dbx", c.name), c.ours) << c.kind << " " << c.name;
  EXPECT_TRUE(isOutputFolderName(SAVEASRTF, "Converted_msg_000001"));
  EXPECT_FALSE(isOutputFolderName(SAVEASMSG, "Converted_msg_000001"));
  EXPECT_FALSE(isOutputFolderName(SAVEASRTF, "Converted_msg_x"));
  EXPECT_EQ(mailFileTitle("Boîte.dbx"), "Boîte");
  EXPECT_EQ(mailFileTitle("INBOX.DBX"), "INBOX");
}

TEST(FolderTag, ThatWouldLeaveTheDestinationIsRecognised) {
  for (const char* tag : {"../escaped", "..", "a/b", "a\\b", "old..mail"}) EXPECT_TRUE(folderTagEscapes(tag)) << tag;
  for (const char* tag : {"Converted", "v1.2", ".hidden", ""}) EXPECT_FALSE(folderTagEscapes(tag)) << tag;
}

}  // namespace
}  // namespace qm::convert
