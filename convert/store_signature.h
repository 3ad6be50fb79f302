// The test a file passes before it is listed for conversion: the first eight bytes of an
// Outlook Express message store are the file magic and the message-store kind.
#pragma once

#include <string>

namespace qm::convert {

enum class StoreCheck {
  MessageStore,  // magic and kind match
  Unopenable,    // missing, held by another program, or not a regular file
  TooShort,      // fewer than eight bytes
  NotDbx,        // the magic differs: not a .dbx file, or its header is damaged
  OtherKind,     // a .dbx file of another kind (folder list, POP3 list, offline store)
};

StoreCheck checkStoreSignature(const std::string& path);

// The message the source list shows for a result; empty for MessageStore.
std::string storeCheckMessage(StoreCheck check);

}  // namespace qm::convert
