// The test that Add runs on the first eight bytes of a chosen file: the store signature and
// the class identifier of a message store.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace qm::ui {

enum class HeaderCheck { Ok, Short, NotDbx, NotMessageStore };

HeaderCheck checkDbxHeader(const std::uint8_t* bytes, std::size_t count);

}  // namespace qm::ui
