// The structural checker: it accepts what Outlook wrote, and each named corruption of a
// sound file is reported.
#include <gtest/gtest.h>

#include <functional>

#include "mailstore/pst/check/pst_checker.h"
#include "mailstore/pst/check/pst_reader.h"
#include "mailstore/pst/ltp/ltp_format.h"
#include "mailstore/pst/messaging/pst_writer.h"
#include "mailstore/pst/ndb/crc.h"
#include "platform/bytes.h"
#include "tests/mailstore/pst/pst_test_mails.h"
#include "tests/support/files.h"
#include "tests/support/temp_dir.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

bool mentions(const qm::pst::CheckReport& r, const std::string& text) {
  for (const auto& p : r.problems)
    if (p.find(text) != std::string::npos) return true;
  return false;
}

std::string allProblems(const qm::pst::CheckReport& r) {
  std::string s;
  for (const auto& p : r.problems) s += p + "\n";
  return s;
}

TEST(PstChecker, AcceptsStoresWrittenByOutlook) {
  for (const char* name : {"Empty.pst", "multiple_to_cc.pst", "sample1.pst"}) {
    const auto report = qm::pst::checkPstFile(qm::test::sharedFile(std::string("samples/pst/") + name));
    EXPECT_TRUE(report.ok()) << name << "\n" << allProblems(report);
  }
}

class CorruptedStore : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = dir_.file("sound.pst");
    qm::test::MailFields fields;
    fields.subject = u"A mail";
    auto mail = qm::test::makeMail(fields);
    mail.attachments.push_back(qm::test::makeAttachment(u"a.bin", 20000, 1));
    qm::pst::PstWriter writer(path_, u"Store");
    writer.addMessage(writer.addFolder(writer.ipmSubtree(), u"Inbox", "IPF.Note"), mail, true);
    writer.flush();
    ASSERT_TRUE(qm::pst::checkPstFile(path_).ok());
    const auto text = qm::test::readFile(path_);
    bytes_.assign(text.begin(), text.end());
    reader_ = std::make_unique<qm::pst::PstReader>(path_);
    reader_->loadTrees();
  }

  qm::pst::CheckReport checkAfter(const std::function<void(Bytes&)>& corrupt) {
    Bytes b = bytes_;
    corrupt(b);
    const std::string bad = dir_.file("bad.pst");
    qm::test::writeFile(bad, b);
    return qm::pst::checkPstFile(bad);
  }

  const qm::pst::NbtEntry& firstMessage() const {
    for (const auto& [nid, n] : reader_->nodes())
      if (qm::pst::nidType(n.nid) == qm::pst::kNidNormalMessage) return n;
    throw std::runtime_error("no message");
  }

  static void resealPage(Bytes& b, std::uint64_t ib) {
    qm::storeLe32(&b[ib + 500], qm::pst::computeCrc({&b[ib], 496}));
  }

  qm::test::TempDir dir_;
  std::string path_;
  Bytes bytes_;
  std::unique_ptr<qm::pst::PstReader> reader_;
};

TEST_F(CorruptedStore, ByteChangedInADataBlockBreaksItsCrc) {
  const auto& block = reader_->blocks().at(firstMessage().bidData);
  const auto r = checkAfter([&](Bytes& b) { b[block.ib + 20] ^= 0x40; });
  EXPECT_TRUE(mentions(r, "wrong CRC")) << allProblems(r);
}

TEST_F(CorruptedStore, HeaderFieldChangedWithoutItsCrc) {
  const auto r = checkAfter([](Bytes& b) { b[0x28] ^= 1; });
  EXPECT_TRUE(mentions(r, "partial CRC")) << allProblems(r);
  EXPECT_TRUE(mentions(r, "full CRC")) << allProblems(r);
}

TEST_F(CorruptedStore, BlockInUseMarkedFreeInTheAllocationMap) {
  const auto& block = reader_->blocks().at(firstMessage().bidData);
  const auto r = checkAfter([&](Bytes& b) {
    const std::uint64_t bit = (block.ib - 0x4400) / 64;
    b[0x4400 + bit / 8] &= static_cast<std::uint8_t>(~(0x80 >> (bit % 8)));
    resealPage(b, 0x4400);
  });
  EXPECT_TRUE(mentions(r, "AMap at 0x4400")) << allProblems(r);
}

TEST_F(CorruptedStore, WrongReferenceCountInTheBlockTree) {
  const auto& pages = reader_->pages();
  const auto leaf = std::find_if(pages.begin(), pages.end(), [&](const auto& p) {
    return p.second == 0x80 && bytes_[p.first + 491] == 0;
  });
  ASSERT_NE(leaf, pages.end());
  const auto r = checkAfter([&](Bytes& b) {
    b[leaf->first + 18] = 3;  // cRef of the page's first entry
    resealPage(b, leaf->first);
  });
  EXPECT_TRUE(mentions(r, "reference count 3 with 1 users")) << allProblems(r);
}

TEST_F(CorruptedStore, NodeKeysOutOfOrder) {
  const auto& pages = reader_->pages();
  const auto leaf = std::find_if(pages.begin(), pages.end(), [&](const auto& p) {
    return p.second == 0x81 && bytes_[p.first + 491] == 0 && bytes_[p.first + 488] >= 2;
  });
  ASSERT_NE(leaf, pages.end());
  const auto r = checkAfter([&](Bytes& b) {
    std::swap_ranges(&b[leaf->first], &b[leaf->first + 32], &b[leaf->first + 32]);
    resealPage(b, leaf->first);
  });
  EXPECT_TRUE(mentions(r, "keys out of order")) << allProblems(r);
}

TEST_F(CorruptedStore, MessageSizeThatIsNotTheNodesSize) {
  const auto& node = firstMessage();
  const auto& block = reader_->blocks().at(node.bidData);
  const auto r = checkAfter([&](Bytes& b) {
    // Find the size property's record in the permute-encoded heap and change its value.
    std::vector<std::uint8_t> data(&b[block.ib], &b[block.ib + block.cb]);
    qm::pst::permuteDecode(data);
    for (std::size_t i = 0; i + 8 <= data.size(); ++i)
      if (qm::loadLe16(&data[i]) == 0x0E08 && qm::loadLe16(&data[i + 2]) == 0x0003) {
        qm::storeLe32(&data[i + 4], qm::loadLe32(&data[i + 4]) + 1);
        break;
      }
    qm::pst::permuteEncode(data);
    std::copy(data.begin(), data.end(), &b[block.ib]);
    const std::size_t trailer = block.ib + qm::pst::block::allocatedSize(block.cb) - 16;
    qm::storeLe32(&b[trailer + 4], qm::pst::computeCrc(data));
  });
  EXPECT_TRUE(mentions(r, "message size")) << allProblems(r);
}

TEST_F(CorruptedStore, MandatoryNodeMissing) {
  // Rename the Deleted Items folder's node so that the store's entry ID names nothing.
  const auto& pages = reader_->pages();
  bool done = false;
  const auto r = checkAfter([&](Bytes& b) {
    for (const auto& [ib, type] : pages) {
      if (type != 0x81 || b[ib + 491] != 0) continue;
      for (unsigned i = 0; i < b[ib + 488]; ++i)
        if (qm::loadLe32(&b[ib + 32 * i]) == 0x8062) {
          qm::storeLe32(&b[ib + 32 * i], 0x8063), resealPage(b, ib), done = true;
        }
    }
  });
  ASSERT_TRUE(done);
  EXPECT_TRUE(mentions(r, "mandatory node 0x8062 is missing")) << allProblems(r);
}

TEST_F(CorruptedStore, AnyDamageIsReportedWithoutACrash) {
  // The checker reads files it must not trust: flipped bytes anywhere, or a cut file.
  std::uint32_t x = 12345;
  for (int round = 0; round < 150; ++round) {
    const auto r = checkAfter([&](Bytes& b) {
      for (int k = 0; k < 4; ++k) {
        x ^= x << 13, x ^= x >> 17, x ^= x << 5;
        b[x % b.size()] ^= static_cast<std::uint8_t>(1 + (x >> 24) % 255);
      }
    });
    (void)r;
  }
  const auto cut = checkAfter([](Bytes& b) { b.resize(b.size() / 3); });
  EXPECT_FALSE(cut.ok());
}

}  // namespace
