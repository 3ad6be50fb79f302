#include "platform/bytes.h"

#include <gtest/gtest.h>

#include <array>

namespace {

TEST(ByteCursor, ReadsLittleEndianFieldsInOrder) {
  const std::array<std::uint8_t, 15> data = {0xCF, 0xAD, 0x12, 0xFE, 0x34, 0x12, 0x7F,
                                             1,    2,    3,    4,    5,    6,    7,    8};
  qm::ByteCursor c(data);
  EXPECT_EQ(c.le32(), 0xFE12ADCFu);
  EXPECT_EQ(c.le16(), 0x1234u);
  EXPECT_EQ(c.u8(), 0x7Fu);
  EXPECT_EQ(c.le64(), 0x0807060504030201ull);
  EXPECT_TRUE(c.ok());
  EXPECT_EQ(c.remaining(), 0u);
}

TEST(ByteCursor, ReadPastTheEndYieldsZeroAndStaysFailed) {
  const std::array<std::uint8_t, 3> data = {1, 2, 3};
  qm::ByteCursor c(data);
  EXPECT_EQ(c.le32(), 0u);
  EXPECT_FALSE(c.ok());
  EXPECT_EQ(c.u8(), 0u) << "a failed cursor must not resume reading";
  EXPECT_FALSE(c.ok());
}

TEST(ByteWriter, WritesFieldsAndPatchesThem) {
  qm::ByteWriter w;
  w.le32(0);
  w.le16(0xBEEF);
  w.text("ab");
  w.patchLe32(0, 0x6F74FDC5);
  const std::vector<std::uint8_t> expected = {0xC5, 0xFD, 0x74, 0x6F, 0xEF, 0xBE, 'a', 'b'};
  EXPECT_EQ(w.data(), expected);
}

}  // namespace
