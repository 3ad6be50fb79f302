#include "ui/file_check.h"

#include "platform/bytes.h"

namespace qm::ui {
namespace {
constexpr std::uint32_t kDbxSignature = 0xFE12ADCF;
constexpr std::uint32_t kMessageStoreClass = 0x6F74FDC5;
}  // namespace

HeaderCheck checkDbxHeader(const std::uint8_t* bytes, std::size_t count) {
  if (count < 8) return HeaderCheck::Short;
  if (qm::loadLe32(bytes) != kDbxSignature) return HeaderCheck::NotDbx;
  if (qm::loadLe32(bytes + 4) != kMessageStoreClass) return HeaderCheck::NotMessageStore;
  return HeaderCheck::Ok;
}

}  // namespace qm::ui
