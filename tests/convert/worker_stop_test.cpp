// Stopping a run: after Stop has been handled the run writes, logs and shows nothing more,
// wherever the stop falls, and a new run can start at once.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <atomic>
#include <chrono>
#include <memory>
#include <random>
#include <thread>

#include "convert/conversion_worker.h"
#include "convert/run_thread.h"
#include "platform/files.h"
#include "tests/convert/run_fixture.h"
#include "tests/support/files.h"

namespace qm::convert::test {
namespace {

using qm::test::TempDir;
const platform::Stamp kStamp{7, 3, 2010, 14, 5, 9};

// Two stores, one with mails of several blocks; written once and shared by every scene.
const std::vector<std::string>& sharedStores() {
  static TempDir dir;
  static const std::vector<std::string> stores = [] {
    std::vector<std::string> a, b;
    for (const char* subject : {"a0", "a1", "a2", "a3", "a4", "a5"})
      a.push_back(subject[1] % 2 ? longMail(subject, 2000) : shortMail(subject));
    for (const char* subject : {"b0", "b1", "b2"}) b.push_back(shortMail(subject));
    return std::vector<std::string>{writeStore(dir.file("A.dbx"), a), writeStore(dir.file("B.dbx"), b)};
  }();
  return stores;
}

// A run of the two stores into a fresh folder, where an earlier run's output waits to be
// cleared.
struct StopScene {
  StopScene() : env(recorder.environment(kStamp)) {
    const std::string sep(1, platform::pathSeparator());
    const std::string out = dir.file("out");
    platform::createDirectory(out);
    platform::createDirectory(out + sep + "1_Converted_A_As_EML");
    for (int i = 0; i < 3; ++i)
      qm::test::writeFile(out + sep + "1_Converted_A_As_EML" + sep + earlierMail(i), std::string("x"));
    settings = emlSettings(sharedStores(), out);
  }
  int run(CancelToken& token) {
    SettingsInput input(settings);
    ConversionWorker worker(input, recorder, token, env);
    const int result = worker.run();
    last = worker.lastFile();
    return result;
  }
  // The mails of this run in the output folder of the store it ended in.
  int mailsOfTheLastStore() const {
    int count = 0;
    if (!last.outputFolder.empty())
      for (const auto& e : platform::listDirectory(last.outputFolder))
        if (e.name.size() > 4 && e.name.substr(e.name.size() - 4) == ".eml" && e.name.find("_0001") == std::string::npos)
          ++count;
    return count;
  }
  // A mail file of an earlier run of store A.
  static std::string earlierMail(int i) {
    char name[32];
    std::snprintf(name, sizeof name, "A_%06d.eml", 100 + i);
    return name;
  }
  // What the run leaves for the user: the output folders. Its temporary folders are its own
  // and gone when it ends, however it ends.
  std::map<std::string, std::string> written() const { return snapshot(dir.file("out")); }
  bool temporaryFoldersGone() const { return snapshot(dir.file("temp")).empty(); }

  TempDir dir;
  RunRecorder recorder{dir.path()};
  RunEnvironment env;
  RunSettings settings;
  FileReport last;
};

TEST(WorkerStop, AStopAfterAnyEventOfTheRunEndsItThereAndLeavesItsOutputAsItWas) {
  std::vector<std::string> reference;
  {
    StopScene scene;
    CancelToken token;
    ASSERT_EQ(scene.run(token), 0);
    reference = scene.recorder.events();
  }
  // The last stop check of the run follows the last file's "DBX File closed".
  const auto lastCheck =
      std::find(reference.rbegin(), reference.rend(), "exec: DBX File closed").base() - reference.begin() - 1;
  for (std::size_t k = 0; k < reference.size(); ++k) {
    StopScene scene;
    CancelToken token;
    std::size_t seen = 0;
    std::map<std::string, std::string> atStop;
    scene.recorder.after = [&](const std::string&) {
      if (seen++ != k) return;
      token.stop();
      atStop = scene.written();
    };
    const int result = scene.run(token);
    auto events = scene.recorder.events();
    // A run that ends stopped says so last, once it has let go of everything.
    if (result != 0) {
      ASSERT_FALSE(events.empty());
      EXPECT_EQ(events.back(), "runEnded: stopped") << "stopped after " << reference[k];
      events.pop_back();
    }
    ASSERT_EQ(events, std::vector<std::string>(reference.begin(), reference.begin() + static_cast<long>(k) + 1))
        << "stopped after " << reference[k];
    if (static_cast<long>(k) <= lastCheck) {
      EXPECT_EQ(result, -1) << "stopped after " << reference[k];
    }
    EXPECT_TRUE(scene.written() == atStop) << "stopped after " << reference[k];
    EXPECT_TRUE(scene.temporaryFoldersGone()) << "stopped after " << reference[k];
    // The worker's own count of the store it ended in is what that store's folder holds.
    EXPECT_EQ(scene.last.mailsSaved, scene.mailsOfTheLastStore()) << "stopped after " << reference[k];
  }
}

TEST(WorkerStop, AStopBeforeTheRunBeginsEndsItBeforeItTouchesAnything) {
  StopScene scene;
  CancelToken token;
  token.stop();
  const auto before = scene.written();
  EXPECT_EQ(scene.run(token), -1);
  EXPECT_EQ(scene.recorder.events(), std::vector<std::string>{"runEnded: stopped"});
  EXPECT_TRUE(scene.written() == before);
}

// One run of the random test: its scene, and what was there when Stop returned.
struct StoppedRun {
  StopScene scene;
  std::atomic<bool> began{false};
  std::atomic<bool> stopReturned{false};
  std::atomic<int> lateEvents{0};
  std::map<std::string, std::string> atStop;
};

TEST(WorkerStop, ThousandsOfStopsAtRandomMomentsLeaveNothingWrittenLoggedOrShownAfterwards) {
#ifdef _WIN32
  constexpr int kRuns = 300;  // file calls under Wine are many times slower
#else
  constexpr int kRuns = 2000;
#endif
  // Stops fall anywhere in a run's length, measured here, or before the run has even begun.
  const auto length = [] {
    StopScene scene;
    CancelToken token;
    const auto start = std::chrono::steady_clock::now();
    scene.run(token);
    return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start);
  }();
  std::mt19937 random(20240611);
  std::vector<std::unique_ptr<StoppedRun>> runs;
  RunThread thread;
  for (int i = 0; i < kRuns; ++i) {
    auto& r = *runs.emplace_back(std::make_unique<StoppedRun>());
    r.scene.recorder.after = [&r](const std::string& event) {
      if (r.stopReturned && event != "runEnded: stopped") ++r.lateEvents;
    };
    thread.start([&r](CancelToken& token) {
      r.began = true;
      r.scene.run(token);
    });
    if (random() % 10 != 0) {
      while (!r.began) std::this_thread::yield();
      std::this_thread::sleep_for(std::chrono::microseconds(random() % (length.count() * 6 / 5 + 1)));
    }
    thread.stop();
    r.stopReturned = true;
    r.atStop = r.scene.written();
  }
  thread.join();
  int stoppedMidRun = 0;
  for (int i = 0; i < kRuns; ++i) {
    auto& r = *runs[static_cast<std::size_t>(i)];
    ASSERT_EQ(r.lateEvents, 0) << "run " << i;
    ASSERT_TRUE(r.scene.written() == r.atStop) << "run " << i;
    ASSERT_TRUE(r.scene.temporaryFoldersGone()) << "run " << i;
    ASSERT_EQ(r.scene.last.mailsSaved, r.scene.mailsOfTheLastStore()) << "run " << i;
    const auto events = r.scene.recorder.events();
    if (!events.empty() && events.back() == "runEnded: stopped" && events.size() > 1) ++stoppedMidRun;
  }
  // How many stops land inside a run depends on the machine's load against the one run
  // measured above; the test only needs some of them to, besides those before and after.
  EXPECT_GT(stoppedMidRun, kRuns / 100) << "the stops should fall inside the runs";
}

TEST(WorkerStop, AStopWhileAnOutputFolderIsClearedEndsTheClearingThere) {
  StopScene scene;
  const std::string folder = scene.dir.file("out") + platform::pathSeparator() + "1_Converted_A_As_EML";
  for (int i = 0; i < 3000; ++i)
    qm::test::writeFile(folder + platform::pathSeparator() + StopScene::earlierMail(i), std::string("x"));
  const std::size_t files = platform::listDirectory(folder).size();
  RunThread thread;
  std::atomic<int> result{1};
  thread.start([&](CancelToken& token) { result = scene.run(token); });
  while (platform::listDirectory(folder).size() == files) std::this_thread::yield();
  thread.stop();
  const auto left = platform::listDirectory(folder).size();
  thread.join();
  EXPECT_EQ(result, -1);
  EXPECT_EQ(platform::listDirectory(folder).size(), left);
  EXPECT_LT(left, files);
}

// Stop pressed while a large store is scanned: the scan ends at its next chunk and the run
// ends without listing or writing a single mail.
TEST(WorkerStop, AStopDuringTheScanEndsTheRunBeforeAnyMailIsWritten) {
  StopScene scene;
  std::vector<std::string> mails;
  for (int m = 0; m < 3000; ++m) mails.push_back(longMail(std::to_string(m), 9000));  // about 28 MB
  scene.settings.sources = {sourceRowFor(writeStore(scene.dir.file("Large.dbx"), mails))};
  CancelToken token;
  scene.recorder.after = [&](const std::string& event) {
    if (event == "exec: Advance Search Initialized") token.stop();
  };
  EXPECT_EQ(scene.run(token), -1);
  const auto events = scene.recorder.events();
  ASSERT_NE(std::find(events.begin(), events.end(), "exec: Advance Search Initialized"), events.end());
  ASSERT_GE(events.size(), 2u);
  EXPECT_EQ(events.back(), "runEnded: stopped");
  EXPECT_EQ(events[events.size() - 2], "exec: Advance Search Initialized") << "nothing is recorded after the stop";
  for (const auto& [path, text] : scene.written())  // the earlier run's mails only
    EXPECT_FALSE(path.find("Large") != std::string::npos && path.find(".eml") != std::string::npos) << path;
}

}  // namespace
}  // namespace qm::convert::test
