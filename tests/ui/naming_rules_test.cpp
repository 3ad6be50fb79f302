// The Save As dialog's rules without a window, where the window tests do not reach: the
// preview's spacing at every position, each refused character, counts in characters.
#include <gtest/gtest.h>

#include "convert/save_option.h"
#include "ui/naming_rules.h"

namespace qm::ui {
namespace {

TEST(NamingPreview, PartsSwitchedOffAreLeftOut) {
  NamingParts parts;
  parts.useCounter = false;
  parts.useTypeTag = false;
  EXPECT_EQ(namingPreview("C:\\D\\", parts), " C:\\D\\\n Converted_FileName_\\...");
  parts.useFolderTag = false;
  parts.useFileName = false;
  EXPECT_EQ(namingPreview("C:\\D\\", parts), " C:\\D\\\n \\...");
}

TEST(NamingPreview, SpacesEveryStepCountedInTheGrowingText) {
  EXPECT_EQ(spacedEvery("", 57), "");
  EXPECT_EQ(spacedEvery(" already", 57), " already");
  // 0 gets a space; the old character 56 then stands at 57 and gets one too.
  const std::string line(60, 'a');
  const std::string spaced = spacedEvery(line, 57);
  EXPECT_EQ(spaced, " " + std::string(56, 'a') + " " + std::string(4, 'a'));
  // A space already at a walk position is left alone.
  std::string withSpace = std::string(56, 'b') + " " + "cc";
  EXPECT_EQ(spacedEvery(withSpace, 57), " " + std::string(56, 'b') + " cc");
  // The third position, after two insertions.
  EXPECT_EQ(spacedEvery(std::string(120, 'z'), 57),
            " " + std::string(56, 'z') + " " + std::string(56, 'z') + " " + std::string(8, 'z'));
}

TEST(NamingPreview, NameLineIsSpacedEvery56) {
  NamingParts parts;
  parts.folderTag = std::string(50, 't');
  parts.counter = "12345";
  // After the leading space, position 56 holds the tag's last character.
  const std::string preview = namingPreview("P\\", parts);
  const std::string name = preview.substr(preview.find('\n') + 1);
  EXPECT_EQ(name, " 12345_" + std::string(49, 't') + " t_FileName_As_TYPE\\...");
}

TEST(NamingTypeTag, OneTagPerKindAndTypeForTheRest) {
  EXPECT_EQ(namingTypeTag(convert::SAVEASEML), "As_EML");
  EXPECT_EQ(namingTypeTag(convert::SAVEASPST), "As_PST");
  EXPECT_EQ(namingTypeTag(convert::SAVEASMSG), "As_MSG");
  EXPECT_EQ(namingTypeTag(convert::SAVEASRTF), "As_RTF");
  EXPECT_EQ(namingTypeTag(convert::SAVEASDBX), "As_TYPE");
  EXPECT_EQ(namingTypeTag(0), "As_TYPE");
  EXPECT_EQ(namingTypeTag(99), "As_TYPE");
}

TEST(NamingChecks, CounterTakesUpToFiveDigits) {
  EXPECT_EQ(checkCounter(""), CounterCheck::Accepted);
  EXPECT_EQ(checkCounter("00000"), CounterCheck::Accepted);
  EXPECT_EQ(checkCounter("99999"), CounterCheck::Accepted);
  EXPECT_EQ(checkCounter("123456"), CounterCheck::TooLong);
  EXPECT_EQ(checkCounter("abcdefg"), CounterCheck::TooLong);
  EXPECT_EQ(checkCounter("12a"), CounterCheck::NotDigits);
  EXPECT_EQ(checkCounter("-5"), CounterCheck::NotDigits);
  EXPECT_EQ(checkCounter(" 5"), CounterCheck::NotDigits);
}

TEST(NamingChecks, FolderTagRefusesEachOfTheNineCharacters) {
  for (char c : std::string("\\/:*?\"<>|")) {
    EXPECT_EQ(checkFolderTag(std::string("a") + c + "b"), FolderTagCheck::ForbiddenCharacter) << c;
  }
  EXPECT_EQ(checkFolderTag(""), FolderTagCheck::Accepted);
  EXPECT_EQ(checkFolderTag("Mail 2008 (old) #1"), FolderTagCheck::Accepted);
}

TEST(NamingChecks, FolderTagNeverLeadsOutOfTheDestination) {
  EXPECT_EQ(checkFolderTag(".."), FolderTagCheck::ParentFolder);
  EXPECT_EQ(checkFolderTag("old..mail"), FolderTagCheck::ParentFolder);
  EXPECT_EQ(checkFolderTag("../escaped"), FolderTagCheck::ForbiddenCharacter);
  EXPECT_EQ(checkFolderTag("v1.2"), FolderTagCheck::Accepted);
}

TEST(NamingChecks, FolderTagOfFiftyCharactersIsAcceptedFiftyOneIsNot) {
  EXPECT_EQ(checkFolderTag(std::string(50, 'x')), FolderTagCheck::Accepted);
  EXPECT_EQ(checkFolderTag(std::string(51, 'x')), FolderTagCheck::TooLong);
  // Characters, not bytes: fifty two-byte letters are fifty characters.
  std::string umlauts;
  for (int i = 0; i < 50; ++i) umlauts += "\xC3\xA4";
  EXPECT_EQ(checkFolderTag(umlauts), FolderTagCheck::Accepted);
  EXPECT_EQ(checkFolderTag(umlauts + "a"), FolderTagCheck::TooLong);
  // The forbidden character wins over the length.
  EXPECT_EQ(checkFolderTag(std::string(60, 'x') + "/"), FolderTagCheck::ForbiddenCharacter);
}

}  // namespace
}  // namespace qm::ui
