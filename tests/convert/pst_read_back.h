// Checks a personal folder file a conversion wrote against the store it came from: the mails
// the engine writes from the store, read by the MIME reader, are what the file must hold,
// as our checker and the three independent readers see it.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "mailstore/message.h"

namespace qm::convert::test {

// The mails of a store as a conversion writes them, in order, with their 0-based indexes;
// `work` takes the .eml files. Mails the engine cannot write are left out.
std::vector<std::pair<int, mail::Message>> indexedStoreMails(const std::string& dbxPath, const std::string& work);
std::vector<mail::Message> storeMails(const std::string& dbxPath, const std::string& work);

// The one file named `name` below `folder` (searched at any depth); empty when there is none.
std::string findFile(const std::string& folder, const std::string& name);

// The file is sound, holds the folders of a converted store (Deleted Items, Inbox and
// `folder` with `mails` in it) and every reader sees those mails. Reports failures through
// GoogleTest; `work` is an empty folder for the readers.
void expectStoreFile(const std::string& pstPath, const std::string& folder,
                     const std::vector<mail::Message>& mails, const std::string& work);

// The mails a sound file holds, as our checker counts them.
std::size_t mailsInStoreFile(const std::string& pstPath);

}  // namespace qm::convert::test
