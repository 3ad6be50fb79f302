// The DBX output kind on large inputs (labelled slow): 100,000 small mails, whose index
// takes a tree of three levels, and a source store of 1.5 GB. The store written holds every
// mail byte for byte through its index and by the raw scan, and passes the structural check.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "convert/conversion_worker.h"
#include "convert/dbx_mode.h"
#include "convert/save_option.h"
#include "oestore/store_index.h"
#include "platform/files.h"
#include "tests/convert/run_fixture.h"
#include "tests/oestore/store_read_back.h"
#include "tests/support/storegen/store_generator.h"

namespace qm::convert::test {
namespace {

using qm::test::TempDir;
const platform::Stamp kStamp{7, 3, 2010, 14, 5, 9};

// Counts what the run reports; records nothing else.
class CountingView : public RunView {
 public:
  void runStarted(const RunStart&) override {}
  void fileStarted(const FileStart&) override {}
  void mailsFound(int) override {}
  void mailDone(const MailDone&) override {}
  void message(MessageKind kind, const std::string& text) override {
    if (kind == MessageKind::Error) errors += text + "\n";
  }
  void fileFinished(const FileReport& r) override { report = r; }
  void runEnded(const RunEnd&) override {}

  std::string errors;
  FileReport report;
};

// A mail of the given size cut from a pool of text, the same for the same m.
class Mails {
 public:
  Mails(std::size_t smallest, std::size_t spread) : smallest_(smallest), spread_(spread) {
    for (std::uint64_t k = 0; pool_.size() < (2u << 20); ++k) pool_ += "line " + std::to_string(k * 7919 % 100003) + " of the text\r\n";
  }
  std::string operator()(std::size_t m) const {
    std::string mail = "From: Sender <s" + std::to_string(m % 89) + "@example.com>\r\nTo: r@example.com\r\nSubject: mail " +
                       std::to_string(m) + "\r\nDate: Tue, 2 Mar 2010 10:00:00 +0100\r\n\r\n";
    const std::size_t length = smallest_ + (m * 2654435761u) % spread_;
    if (length > mail.size()) mail.append(pool_, (m * 40503u) % (pool_.size() - length), length - mail.size());
    return mail;
  }

 private:
  std::size_t smallest_, spread_;
  std::string pool_;
};

// Writes a generated store of `count` mails, converts it to DBX and checks the store;
// `nodes` receives the number of nodes of its index tree.
void convertAndCheck(const Mails& mails, std::size_t count, std::size_t& nodes) {
  TempDir dir;
  ASSERT_TRUE(platform::createDirectory(dir.file("out")));
  std::vector<std::size_t> lengths(count);
  for (std::size_t m = 0; m < count; ++m) lengths[m] = mails(m).size();
  storegen::StoreOptions options;
  const storegen::StorePlan plan = storegen::planStore(lengths, options);
  {
    std::unique_ptr<std::FILE, platform::FileCloser> f(platform::openFile(dir.file("Big.dbx"), "wb"));
    ASSERT_TRUE(f);
    storegen::emitStore(plan, [&](std::size_t m) { return mails(m); }, options,
                        [&](const std::uint8_t* data, std::size_t size) { std::fwrite(data, 1, size, f.get()); });
  }

  CountingView view;
  CancelToken token;
  RunSettings settings = emlSettings({dir.file("Big.dbx")}, dir.file("out"));
  settings.saveOption = SAVEASDBX;
  settings.logEnabled = false;
  SettingsInput input(settings);
  RunEnvironment env;
  env.tempRoot = dir.file("temp") + platform::pathSeparator();
  std::filesystem::create_directories(platform::toPath(env.tempRoot));
  env.clock = [] { return kStamp; };
  ConversionWorker worker(input, view, token, env, makeOutputMode);
  ASSERT_EQ(worker.run(), 0) << view.errors;
  EXPECT_EQ(view.report.mailsSaved, static_cast<int>(count));
  platform::deleteFile(dir.file("Big.dbx"));

  const std::string store = dir.file("out") + platform::pathSeparator() + "1_Converted_Big" + platform::pathSeparator() +
                            DbxMode::storeFolderName(0, kStamp) + ".dbx";
  EXPECT_TRUE(oe::test::largeStoreHolds(store, [&](std::size_t m) { return mails(m); }, count));
  auto source = oe::FileSource::open(store);
  ASSERT_TRUE(source);
  const oe::StoreHeader header = oe::readStoreHeader(*source);
  nodes = oe::walkTree(*source, header.treeRoots[0], header.treeCounts[0]).nodes.size();
}

TEST(DbxLargeStores, AHundredThousandSmallMailsGoThroughATreeOfThreeLevels) {
  const Mails mails(200, 600);
  std::size_t nodes = 0;
  convertAndCheck(mails, 100000, nodes);
  EXPECT_GT(nodes, 53u) << "two levels hold at most 53 nodes";
}

TEST(DbxLargeStores, AStoreOfOneAndAHalfGigabytes) {
  const Mails mails(2000, 100000);
  std::size_t nodes = 0;
  convertAndCheck(mails, 30000, nodes);  // about 1.5 GB of mail text
}

}  // namespace
}  // namespace qm::convert::test
