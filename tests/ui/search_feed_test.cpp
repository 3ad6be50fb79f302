// The search thread and its feed without a window: what a walk feeds, how a stop ends it,
// and how the feed keeps its queue short and wakes its reader once.
#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <set>

#include "tests/support/temp_dir.h"
#include "tests/ui/store_tree.h"
#include "ui/search_feed.h"

namespace qm::ui {
namespace {

using Kind = SearchUpdate::Kind;

SearchUpdate examining(const std::string& path) {
  SearchUpdate u;
  u.examined = path;
  return u;
}

SearchUpdate found(const std::string& path) {
  SearchUpdate u;
  u.kind = Kind::Found;
  u.store.path = path;
  return u;
}

TEST(SearchFeed, WakesOnceUntilTakenAndKeepsOnlyTheLatestExaminedPath) {
  int wakes = 0;
  SearchFeed feed([&] { ++wakes; });
  feed.push(examining("a"));
  feed.push(examining("b"));
  feed.push(found("b"));
  feed.push(examining("c"));
  feed.push(examining("d"));
  EXPECT_EQ(wakes, 1);
  const auto updates = feed.take();
  ASSERT_EQ(updates.size(), 3u);
  EXPECT_EQ(updates[0].examined, "b");
  EXPECT_EQ(updates[1].kind, Kind::Found);
  EXPECT_EQ(updates[1].store.path, "b");
  EXPECT_EQ(updates[2].examined, "d");
  EXPECT_TRUE(feed.take().empty());
  feed.push(found("e"));
  EXPECT_EQ(wakes, 2);
}

// Runs the thread's body to its end on this thread and collects what it fed.
std::vector<SearchUpdate> walk(const std::string& folder, SearchFeed& feed) {
  DBX_Search_thread(folder, feed);
  EXPECT_TRUE(feed.finished());
  return feed.take();
}

TEST(SearchThread, FeedsEveryStoreBreadthFirstWithRowTextsAndEndsCompleted) {
  test::TempDir dir;
  const auto expected = test::makeStoreTree(dir.path());
  SearchFeed feed(nullptr);
  const auto updates = walk(dir.path(), feed);
  ASSERT_FALSE(updates.empty());
  EXPECT_EQ(updates.back().kind, Kind::Ended);
  EXPECT_TRUE(updates.back().completed);

  std::vector<std::string> order;
  std::map<std::string, FoundStore> stores;
  for (const auto& u : updates) {
    if (u.kind != Kind::Found) continue;
    const std::string rel = u.store.path.substr(dir.path().size() + 1);
    order.push_back(rel);
    stores[rel] = u.store;
  }
  EXPECT_EQ(std::set<std::string>(order.begin(), order.end()), expected);
  ASSERT_EQ(order.size(), expected.size());
  EXPECT_EQ(order.front(), "Inbox.dbx");
  EXPECT_EQ(order.back(), "Sub1\\recycler\\Kept.dbx");

  const FoundStore& inbox = stores["Inbox.dbx"];
  EXPECT_EQ(inbox.name, "Inbox.dbx");
  EXPECT_EQ(inbox.size, "2 Kb");
  EXPECT_EQ(inbox.created.size(), 24u);
  EXPECT_EQ(stores["Sub2\\Archive.DBX"].name, "Archive.DBX");
}

TEST(SearchThread, FolderThatCannotBeReadEndsCompletedWithNothingFound) {
  test::TempDir dir;
  SearchFeed feed(nullptr);
  const auto updates = walk(dir.file("missing"), feed);
  ASSERT_FALSE(updates.empty());
  for (const auto& u : updates) EXPECT_NE(u.kind, Kind::Found);
  EXPECT_EQ(updates.back().kind, Kind::Ended);
  EXPECT_TRUE(updates.back().completed);
}

TEST(SearchThread, StoppedFeedEndsTheWalkAsStopped) {
  test::TempDir dir;
  test::makeWideTree(dir.path(), 5, 2);
  SearchFeed feed(nullptr);
  feed.stop();
  const auto updates = walk(dir.path(), feed);
  ASSERT_EQ(updates.size(), 1u);
  EXPECT_EQ(updates[0].kind, Kind::Ended);
  EXPECT_FALSE(updates[0].completed);
}

TEST(SearchThread, StopTakesEffectAtTheNextEntry) {
  test::TempDir dir;
  test::makeWideTree(dir.path(), 20, 3);
  std::vector<SearchUpdate> seen;
  SearchFeed* self = nullptr;
  // A reader that takes every update as it comes and stops at the first store.
  SearchFeed feed([&] {
    for (auto& u : self->take()) {
      if (u.kind == Kind::Found) self->stop();
      seen.push_back(std::move(u));
    }
  });
  self = &feed;
  DBX_Search_thread(dir.path(), feed);
  for (auto& u : feed.take()) seen.push_back(std::move(u));
  int stores = 0;
  for (const auto& u : seen) stores += u.kind == Kind::Found;
  EXPECT_EQ(stores, 1);
  ASSERT_FALSE(seen.empty());
  EXPECT_EQ(seen.back().kind, Kind::Ended);
  EXPECT_FALSE(seen.back().completed);
}

}  // namespace
}  // namespace qm::ui
