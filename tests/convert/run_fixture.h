// What the conversion tests share: a view and a log that record every call of a run in one
// stream, stores made by the generator, and snapshots of the folders a run writes into.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "convert/cancel_token.h"
#include "convert/conversion_worker.h"
#include "convert/run_environment.h"
#include "convert/run_input.h"
#include "convert/run_view.h"
#include "platform/files.h"
#include "tests/support/temp_dir.h"

namespace qm::convert::test {

// Records reports and log lines as texts ("mailDone: 0/2 saved", "exec: DBX File closed"), with
// the test folder's path shown as "<root>" and every separator as '/'. `after` runs after
// each record, on the recording thread.
class RunRecorder : public RunView {
 public:
  explicit RunRecorder(std::string root) : root_(std::move(root)) {}

  std::vector<std::string> events() const;
  std::vector<std::string> viewEvents() const;  // the reports, without the log lines
  std::vector<std::string> logLines() const;    // only the log lines
  std::function<void(const std::string& event)> after;

  // The log of a run that records here.
  RunEnvironment environment(const platform::Stamp& stamp);

  void runStarted(const RunStart& r) override;
  void fileStarted(const FileStart& f) override;
  void mailsFound(int count) override { record("mailsFound: " + std::to_string(count)); }
  void mailDone(const MailDone& mail) override;
  void fileFinished(const FileReport& r) override;
  void message(MessageKind kind, const std::string& text) override;
  void runEnded(const RunEnd& end) override;

 private:
  void record(std::string event);

  std::string root_;
  mutable std::mutex mutex_;
  std::vector<std::string> events_;
};

// A run's input: EML, logging on, the given stores (full paths) and destination.
RunSettings emlSettings(const std::vector<std::string>& stores, const std::string& destination);

// Writes a generated store holding `mails` and returns its path.
std::string writeStore(const std::string& path, const std::vector<std::string>& mails);

// The bundled sample store and every store of the shared real samples (full paths).
std::vector<std::string> sampleAndRealStores();
// Stores of `mails` written into `folder`: one each in the reversed, interleaved and shuffled
// layouts, then one in file order whose mail `cutMail` loses its chain from block 40 on and
// whose mail `pastEndMail` points past the end of the file at block 3.
std::vector<std::string> layoutAndDamagedStores(const qm::test::TempDir& folder, const std::vector<std::string>& mails,
                                                std::size_t cutMail, std::size_t pastEndMail);

// A short mail with the given subject, and one that needs several 512-byte blocks.
std::string shortMail(const std::string& subject);
std::string longMail(const std::string& subject, std::size_t length);

// Every file below a folder, by its path below it ('/' separators), with its contents.
std::map<std::string, std::string> snapshot(const std::string& folder);

// The elements of `expected` appear in `actual` in this order (other elements between).
::testing::AssertionResult inOrder(const std::vector<std::string>& actual,
                                   const std::vector<std::string>& expected);

// A run of one output kind over stores into "<test folder>/out", recorded: what the tests
// that read a kind's output back share.
class OutputRunTest : public ::testing::Test {
 protected:
  explicit OutputRunTest(std::int32_t saveOption) : saveOption_(saveOption) {}
  void SetUp() override { ASSERT_TRUE(platform::createDirectory(out())); }

  std::string out() const { return dir.file("out"); }
  // A run's input: the kind's settings for these stores, into out().
  RunSettings settingsFor(const std::vector<std::string>& stores) const;
  int run(const RunSettings& settings, ConversionWorker::ModeFactory modes = makeOutputMode);
  int run(const std::vector<std::string>& stores) { return run(settingsFor(stores)); }
  // A folder below the test's own, made when missing, for the readers to work in.
  std::string work(const std::string& name) const;

  static constexpr platform::Stamp kRunStamp{7, 3, 2010, 14, 5, 9};
  qm::test::TempDir dir;
  RunRecorder recorder{dir.path()};
  CancelToken token;

 private:
  std::int32_t saveOption_;
};

}  // namespace qm::convert::test
