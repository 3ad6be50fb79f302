#include "ui/search_feed.h"

#include "convert/store_search.h"
#include "platform/files.h"
#include "ui/row_text.h"

namespace qm::ui {

void SearchFeed::push(SearchUpdate update) {
  bool wake = false;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (update.kind == SearchUpdate::Kind::Examining && !queue_.empty() &&
        queue_.back().kind == SearchUpdate::Kind::Examining)
      queue_.back() = std::move(update);
    else
      queue_.push_back(std::move(update));
    if (!wakePending_) wake = wakePending_ = true;
  }
  if (wake && wake_) wake_();
}

std::vector<SearchUpdate> SearchFeed::take() {
  std::lock_guard<std::mutex> lock(mutex_);
  std::vector<SearchUpdate> out(std::make_move_iterator(queue_.begin()),
                                std::make_move_iterator(queue_.end()));
  queue_.clear();
  wakePending_ = false;
  return out;
}

namespace {

FoundStore describeStore(const std::string& path, const std::string& name) {
  FoundStore store{path, name, {}, {}};
  if (const auto size = platform::fileSize(path)) store.size = sizeText(*size);
  if (const auto created = platform::fileCreationTime(path)) store.created = creationText(*created);
  return store;
}

SearchUpdate examining(const std::string& path) {
  SearchUpdate u;
  u.kind = SearchUpdate::Kind::Examining;
  u.examined = path;
  return u;
}

}  // namespace

void DBX_Search_thread(const std::string& folder, SearchFeed& feed) {
  bool completed = false;
  try {
    convert::StoreSearch search;
    search.cancelled = [&] { return feed.stopped(); };
    search.folderExamined = [&](const std::string& path) { feed.push(examining(path)); };
    search.entryExamined = [&](const std::string& path) { feed.push(examining(path)); };
    search.storeFound = [&](const std::string& path, const std::string& name) {
      SearchUpdate u;
      u.kind = SearchUpdate::Kind::Found;
      u.store = describeStore(path, name);
      feed.push(std::move(u));
    };
    completed = convert::searchStores(folder, search);
  } catch (...) {
    completed = false;  // ends like a stopped search: what was found stays
  }
  try {
    SearchUpdate end;
    end.kind = SearchUpdate::Kind::Ended;
    end.completed = completed;
    feed.push(std::move(end));
  } catch (...) {
  }
  feed.markFinished();
}

}  // namespace qm::ui
