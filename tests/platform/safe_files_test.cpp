// Private temporary folders, folder holds, partial output files and the kinds of file a run
// refuses to open.
#include "platform/safe_files.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <system_error>

#include "platform/files.h"
#include "tests/support/files.h"
#include "tests/support/temp_dir.h"

#ifndef _WIN32
#include <sys/stat.h>
#include <sys/types.h>
#endif

using qm::test::readFile;
using qm::test::TempDir;
namespace platform = qm::platform;
namespace fs = std::filesystem;

namespace {

const std::string sep(1, platform::pathSeparator());

// A directory link, where the system lets the test make one.
bool makeFolderLink(const std::string& target, const std::string& link) {
  std::error_code ec;
  fs::create_directory_symlink(platform::toPath(target), platform::toPath(link), ec);
  return !ec;
}

TEST(PrivateFolder, IsNewAndNeverTheFolderOrLinkThatHeldItsName) {
  TempDir dir;
  const std::string wanted = dir.file("Tarnwick_Converted_Inbox_0");
  const auto first = platform::createPrivateFolder(wanted);
  ASSERT_EQ(first, wanted);
  qm::test::writeFile(wanted + sep + "left.eml", std::string("x"));
  const auto second = platform::createPrivateFolder(wanted);
  ASSERT_TRUE(second.has_value());
  EXPECT_NE(*second, wanted);
  EXPECT_EQ(second->rfind(wanted + "_", 0), 0u) << *second;
  EXPECT_TRUE(platform::listDirectory(*second).empty());
  EXPECT_EQ(readFile(wanted + sep + "left.eml"), "x");
#ifndef _WIN32
  struct stat st {};
  ASSERT_EQ(::stat(second->c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
#endif
}

TEST(PrivateFolder, APlantedLinkIsNeitherFollowedNorEmptied) {
  TempDir dir;
  const std::string victim = dir.file("victim");
  ASSERT_TRUE(platform::createDirectory(victim));
  qm::test::writeFile(victim + sep + "precious.txt", std::string("keep"));
  const std::string planted = dir.file("Tarnwick_Converted_Inbox_0");
  if (!makeFolderLink(victim, planted)) GTEST_SKIP() << "no links here";
  const auto made = platform::createPrivateFolder(planted);
  ASSERT_TRUE(made.has_value());
  EXPECT_NE(*made, planted);
  EXPECT_TRUE(platform::removeFolderTree(*made));
  EXPECT_TRUE(platform::removeFolderTree(planted)) << "the link itself goes";
  EXPECT_EQ(readFile(victim + sep + "precious.txt"), "keep");
}

TEST(PrivateFolder, RemovingATreeRemovesLinksInsideWithoutEnteringThem) {
  TempDir dir;
  const std::string victim = dir.file("victim");
  ASSERT_TRUE(platform::createDirectory(victim));
  qm::test::writeFile(victim + sep + "precious.txt", std::string("keep"));
  const auto temp = platform::createPrivateFolder(dir.file("temp"));
  ASSERT_TRUE(temp.has_value());
  ASSERT_TRUE(platform::createDirectory(*temp + sep + "inner"));
  qm::test::writeFile(*temp + sep + "inner" + sep + "mail.eml", std::string("m"));
  const bool linked = makeFolderLink(victim, *temp + sep + "link");
  EXPECT_TRUE(platform::removeFolderTree(*temp));
  EXPECT_FALSE(platform::isDirectory(*temp));
  if (linked) {
    EXPECT_EQ(readFile(victim + sep + "precious.txt"), "keep");
  }
}

TEST(FolderHold, OneHolderAtATime) {
  TempDir dir;
  const std::string folder = dir.file("1_Converted_Inbox_As_PST");
  ASSERT_TRUE(platform::createDirectory(folder));
  {
    auto hold = platform::FolderHold::take(folder);
    ASSERT_NE(hold, nullptr);
    EXPECT_EQ(platform::FolderHold::take(folder), nullptr);
    // Holding the folder keeps nobody from writing, listing and renaming in it.
    platform::OutputFile file;
    ASSERT_TRUE(file.open(folder + sep + "Converted_Inbox.pst"));
    EXPECT_TRUE(file.commit());
    EXPECT_EQ(platform::listDirectory(folder).size(), 1u);
  }
  EXPECT_NE(platform::FolderHold::take(folder), nullptr) << "let go with the last holder";
  EXPECT_EQ(platform::FolderHold::take(dir.file("missing")), nullptr);
}

// Every output file is written both ways: with no name until committed where the system
// allows it, and under a partial name.
class OutputFileTest : public ::testing::TestWithParam<platform::OutputFile::Naming> {
 protected:
  bool unnamed(const platform::OutputFile& file) const {
    return GetParam() == platform::OutputFile::Naming::Unnamed && file.partialPath().empty();
  }
};

INSTANTIATE_TEST_SUITE_P(Naming, OutputFileTest,
                         ::testing::Values(platform::OutputFile::Naming::Unnamed,
                                           platform::OutputFile::Naming::PartialName),
                         [](const auto& info) {
                           return info.param == platform::OutputFile::Naming::Unnamed ? "Unnamed" : "PartialName";
                         });

TEST_P(OutputFileTest, IsInvisibleUnderItsFinalNameUntilCommitted) {
  TempDir dir;
  const std::string final = dir.file("Inbox_000001.eml");
  platform::OutputFile file;
  ASSERT_TRUE(file.open(final, GetParam()));
  ASSERT_GE(std::fputs("From: a\r\n\r\nbody", file.stream()), 0);
  std::fflush(file.stream());
  EXPECT_FALSE(platform::fileExists(final));
  if (unnamed(file)) {
    EXPECT_TRUE(platform::listDirectory(dir.path()).empty()) << "a nameless file shows in no listing";
  } else {
    EXPECT_EQ(file.partialPath(), final + ".partial");
  }
#if defined(__linux__)
  if (GetParam() == platform::OutputFile::Naming::Unnamed) {
    EXPECT_TRUE(unnamed(file)) << "Linux makes nameless files";
  }
#endif
  EXPECT_TRUE(file.commit());
  EXPECT_EQ(readFile(final), "From: a\r\n\r\nbody");
  EXPECT_EQ(platform::listDirectory(dir.path()).size(), 1u);
}

TEST_P(OutputFileTest, DiscardedOrAbandonedLeavesNothing) {
  TempDir dir;
  {
    platform::OutputFile file;
    ASSERT_TRUE(file.open(dir.file("Inbox_000001.eml"), GetParam()));
    std::fputs("half a mail", file.stream());
  }
  platform::OutputFile file;
  ASSERT_TRUE(file.open(dir.file("Inbox_000002.eml"), GetParam()));
  file.discard();
  EXPECT_FALSE(file.commit()) << "nothing left to commit";
  EXPECT_TRUE(platform::listDirectory(dir.path()).empty());
}

TEST_P(OutputFileTest, NeverReplacesAFileUnlessAskedTo) {
  TempDir dir;
  const std::string final = dir.file("Converted_Inbox.pst");
  qm::test::writeFile(final, std::string("someone else's"));
  // A partial file a killed run left behind is not taken over either.
  qm::test::writeFile(final + ".partial", std::string("left behind"));
  platform::OutputFile file;
  ASSERT_TRUE(file.open(final, GetParam()));
  const bool nameless = unnamed(file);
  if (!nameless) {
    EXPECT_EQ(file.partialPath(), final + ".partial-1");
  }
  std::fputs("ours", file.stream());
  errno = 0;
  EXPECT_FALSE(file.commit(platform::OutputFile::Replace::Never));
  if (nameless) {
    EXPECT_EQ(errno, EEXIST);
  }
  EXPECT_EQ(readFile(final), "someone else's");
  EXPECT_EQ(readFile(final + ".partial"), "left behind");
  EXPECT_EQ(platform::listDirectory(dir.path()).size(), 2u);

  ASSERT_TRUE(file.open(final, GetParam()));
  std::fputs("ours", file.stream());
  EXPECT_TRUE(file.commit(platform::OutputFile::Replace::Existing));
  EXPECT_EQ(readFile(final), "ours");
  EXPECT_EQ(readFile(final + ".partial"), "left behind");
  EXPECT_EQ(platform::listDirectory(dir.path()).size(), 2u) << "no partial file of ours is left";
}

// The mail writer's way: one folder held open for thousands of files.
TEST_P(OutputFileTest, ManyFilesThroughOneFolder) {
  TempDir dir;
  const platform::OutputFolder folder(dir.path());
  for (int i = 0; i < 300; ++i) {
    platform::OutputFile file;
    const std::string name = "Inbox_" + std::to_string(i) + ".eml";
    ASSERT_TRUE(file.open(folder, name, GetParam()));
    ASSERT_GE(std::fputs(name.c_str(), file.stream()), 0);
    ASSERT_TRUE(file.commit(platform::OutputFile::Replace::Existing));
  }
  EXPECT_EQ(platform::listDirectory(dir.path()).size(), 300u);
  EXPECT_EQ(readFile(folder.pathOf("Inbox_299.eml")), "Inbox_299.eml");
}

TEST(OutputFile, AFolderThatCannotBeWrittenIsReported) {
  TempDir dir;
  platform::OutputFile file;
  EXPECT_FALSE(file.open(dir.file("missing") + sep + "Inbox_000001.eml"));
  EXPECT_EQ(file.stream(), nullptr);
}

#ifndef _WIN32
TEST_P(OutputFileTest, IsOwnerOnlyInAPrivateFolder) {
  TempDir dir;
  const auto temp = platform::createPrivateFolder(dir.file("temp"));
  ASSERT_TRUE(temp.has_value());
  platform::OutputFile file;
  ASSERT_TRUE(file.open(*temp + sep + "Inbox_000001.eml", GetParam()));
  ASSERT_TRUE(file.commit());
  struct stat st {};
  ASSERT_EQ(::stat((*temp + sep + "Inbox_000001.eml").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 077, 0u);
}

TEST(FileKinds, PipesAndDevicesAreNotRegularFiles) {
  TempDir dir;
  qm::test::writeFile(dir.file("Inbox.dbx"), std::string("x"));
  ASSERT_EQ(::mkfifo(dir.file("Pipe.dbx").c_str(), 0600), 0);
  EXPECT_EQ(platform::fileKind(dir.file("Inbox.dbx")), platform::FileKind::Regular);
  EXPECT_EQ(platform::fileKind(dir.file("Pipe.dbx")), platform::FileKind::Other);
  EXPECT_EQ(platform::fileKind("/dev/zero"), platform::FileKind::Other);
  EXPECT_EQ(platform::fileKind(dir.path()), platform::FileKind::Directory);
  EXPECT_EQ(platform::fileKind(dir.file("absent.dbx")), platform::FileKind::Missing);
}
#endif

}  // namespace
