#include "convert/store_signature.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <memory>

#include "engine/dbx_format.h"
#include "platform/files.h"
#include "platform/safe_files.h"

namespace qm::convert {

StoreCheck checkStoreSignature(const std::string& path) {
  // Opening a pipe would wait for a writer, and a device never ends: neither is a store.
  if (platform::fileKind(path) != platform::FileKind::Regular) return StoreCheck::Unopenable;
  std::unique_ptr<std::FILE, platform::FileCloser> file(platform::openFile(path, "rb"));
  if (!file) return StoreCheck::Unopenable;
  std::array<std::uint8_t, dbx::kSignatureLength> head{};
  if (std::fread(head.data(), 1, head.size(), file.get()) != head.size()) return StoreCheck::TooShort;
  switch (dbx::classifySignature(head)) {
    case dbx::SignatureKind::MessageStore: return StoreCheck::MessageStore;
    case dbx::SignatureKind::OtherKind: return StoreCheck::OtherKind;
    case dbx::SignatureKind::NotDbx: break;
  }
  return StoreCheck::NotDbx;
}

std::string storeCheckMessage(StoreCheck check) {
  switch (check) {
    case StoreCheck::MessageStore: return std::string();
    case StoreCheck::Unopenable: return "Error opening file. Pls make sure that the file is present";
    case StoreCheck::TooShort: return "Error reading file.";
    case StoreCheck::NotDbx: return "File is not a valid dbx file Or File Header is corrupt.";
    case StoreCheck::OtherKind:
      return "File is not a valid Message.dbx File.\nProbably, You may have selected  Folder.dbx, "
             "Pop3uidl.dbx or Offline.dbx files";
  }
  return std::string();
}

}  // namespace qm::convert
