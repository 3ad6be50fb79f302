// The mail store backed by a new personal folder file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "mailstore/store_backend.h"

namespace qm::mail {

struct PstStoreOptions {
  // Texts about mail content left out (an attachment too large for the format); the
  // caller logs them. Nothing is reported when empty.
  std::function<void(const std::string&)> warn;
  // Mails between two flushes at least (the batches grow with the store).
  std::size_t flushEvery = 2000;
  // Bytes the disk takes before it is full (tests stand in for a full disk with it).
  std::uint64_t diskSpace = ~std::uint64_t{0};
};

// Creates a new store file at the path (UTF-8), replacing any file there, with the display
// name given. Throws StoreError when the file cannot be created. The store is flushed once
// created, after every few thousand mails, and when the backend is destroyed.
std::unique_ptr<StoreBackend> createPstStore(const std::string& path, const std::u16string& displayName,
                                             PstStoreOptions options = {});

}  // namespace qm::mail
