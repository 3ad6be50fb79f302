// How one search of the Search Files dialog reaches the dialog. The search thread walks the
// folder tree and puts what it finds into the search's feed; the dialog's thread takes the
// updates out when woken and is the only one that touches the list. Every search has a feed
// of its own, so a stopped search that is still winding down can only fill its own feed,
// which nobody reads any more once a new search has started.
#pragma once

#include <atomic>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace qm::ui {

// A store found, with the texts of its row.
struct FoundStore {
  std::string path;
  std::string name;
  std::string size;     // "12 Kb"; empty when the size can't be read
  std::string created;  // "Wed Jan 02 02:03:55 2008"; empty when it can't be read
};

struct SearchUpdate {
  enum class Kind { Examining, Found, Ended };
  Kind kind = Kind::Examining;
  std::string examined;  // Examining: the folder or entry being looked at
  FoundStore store;      // Found
  bool completed = false;  // Ended: the walk went through to its end (it was not stopped)
};

class SearchFeed {
 public:
  // wake is called, from the search thread, when updates wait and no wake is pending.
  explicit SearchFeed(std::function<void()> wake) : wake_(std::move(wake)) {}
  SearchFeed(const SearchFeed&) = delete;
  SearchFeed& operator=(const SearchFeed&) = delete;

  // The search's own stop flag; the walk checks it before every folder and entry.
  void stop() { stopped_.store(true, std::memory_order_release); }
  bool stopped() const { return stopped_.load(std::memory_order_acquire); }

  // Queues an update. A path being examined replaces one that nobody has seen yet, so the
  // queue holds at most one of them however fast the walk goes.
  void push(SearchUpdate update);
  // Everything queued so far, oldest first; the next push wakes the reader again.
  std::vector<SearchUpdate> take();

  // Set by the search thread when it has let go of the feed.
  void markFinished() { finished_.store(true, std::memory_order_release); }
  bool finished() const { return finished_.load(std::memory_order_acquire); }

 private:
  std::function<void()> wake_;
  std::atomic<bool> stopped_{false};
  std::atomic<bool> finished_{false};
  std::mutex mutex_;
  std::deque<SearchUpdate> queue_;
  bool wakePending_ = false;
};

// The search thread: walks the tree below folder breadth first through the shared store
// search, feeding the paths it examines and the stores it finds, and ends every search,
// stopped or not, with an Ended update. Never throws.
void DBX_Search_thread(const std::string& folder, SearchFeed& feed);

}  // namespace qm::ui
