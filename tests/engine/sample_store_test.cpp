// The bundled sample store: regenerated from its mails it is the same bytes, and it gives
// its mails back byte for byte.
#include <gtest/gtest.h>

#include <algorithm>

#include "platform/files.h"
#include "tests/engine/engine_fixture.h"
#include "tests/support/files.h"
#include "tests/support/storegen/store_generator.h"

using qm::test::readFile;
using qm::test::TempDir;

namespace {

const std::string kSamples = std::string(QM_SOURCE_DIR) + "/samples";

std::vector<std::string> sampleMails() {
  std::vector<std::string> names;
  for (const auto& e : qm::platform::listDirectory(kSamples + "/mails"))
    if (e.name.size() > 4 && e.name.substr(e.name.size() - 4) == ".eml") names.push_back(e.name);
  std::sort(names.begin(), names.end());
  std::vector<std::string> mails;
  for (const auto& n : names) mails.push_back(readFile(kSamples + "/mails/" + n));
  return mails;
}

TEST(SampleStore, RegeneratesIdentically) {
  const auto mails = sampleMails();
  ASSERT_GE(mails.size(), 5u);
  qm::storegen::StoreOptions options;  // scripts/make_sample.sh: --layout in-order --seed 1
  options.layout = qm::storegen::Layout::InOrder;
  options.seed = 1;
  const auto store = qm::storegen::buildStore(mails, options);
  const std::string committed = readFile(kSamples + "/Sample.dbx");
  EXPECT_TRUE(std::string(store.bytes.begin(), store.bytes.end()) == committed);
}

TEST(SampleStore, GivesBackItsMailsByteForByteInBothModes) {
  for (const bool recovery : {false, true}) {
    TempDir out;
    const Extraction got = extractMails(kSamples + "/Sample.dbx", out, recovery);
    EXPECT_EQ(got.mails, sampleMails()) << (recovery ? "recovery" : "plain");
  }
}

}  // namespace
