#include "tests/convert/run_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "platform/files.h"
#include "tests/support/files.h"
#include "tests/support/storegen/store_generator.h"

namespace qm::convert::test {

namespace {

std::string replaceAll(std::string text, const std::string& from, const std::string& to) {
  for (std::size_t at = text.find(from); !from.empty() && at != std::string::npos;
       at = text.find(from, at + to.size()))
    text.replace(at, from.size(), to);
  return text;
}

const char* kindName(MessageKind kind) {
  return kind == MessageKind::Error ? "error" : "notice";
}

const char* resultName(MailResult result) {
  switch (result) {
    case MailResult::Saved: return "saved";
    case MailResult::Failed: return "failed";
    case MailResult::Skipped: return "skipped";
    case MailResult::NotAMail: return "not a mail";
  }
  return "?";
}

}  // namespace

void RunRecorder::record(std::string event) {
  event = replaceAll(event, root_, "<root>");
  if (platform::pathSeparator() != '/') std::replace(event.begin(), event.end(), platform::pathSeparator(), '/');
  {
    std::lock_guard<std::mutex> lock(mutex_);
    events_.push_back(event);
  }
  if (after) after(event);
}

std::vector<std::string> RunRecorder::events() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return events_;
}

std::vector<std::string> RunRecorder::viewEvents() const {
  std::vector<std::string> out;
  for (auto& e : events())
    if (e.rfind("exec: ", 0) != 0 && e.rfind("error: ", 0) != 0) out.push_back(e);
  return out;
}

std::vector<std::string> RunRecorder::logLines() const {
  std::vector<std::string> out;
  for (auto& e : events())
    if (e.rfind("exec: ", 0) == 0 || e.rfind("error: ", 0) == 0) out.push_back(e);
  return out;
}

RunEnvironment RunRecorder::environment(const platform::Stamp& stamp) {
  RunEnvironment env;
  env.tempRoot = root_ + platform::pathSeparator() + "temp" + platform::pathSeparator();
  std::filesystem::create_directories(platform::toPath(env.tempRoot));
  env.clock = [stamp] { return stamp; };
  env.writeLog = [this](const std::string& text, bool toErrorLog) {
    record((toErrorLog ? "error: " : "exec: ") + text);
  };
  return env;
}

void RunRecorder::runStarted(const RunStart& r) {
  record("runStarted: " + std::to_string(r.fileCount) + " files, option " + std::to_string(r.saveOption));
}

void RunRecorder::fileStarted(const FileStart& f) {
  record("fileStarted: " + std::to_string(f.index) + "/" + std::to_string(f.count) + " " + f.fileName +
         " (" + f.baseName + ")");
}

void RunRecorder::mailDone(const MailDone& mail) {
  record("mailDone: " + std::to_string(mail.index) + "/" + std::to_string(mail.count) + " " +
         resultName(mail.result));
}

void RunRecorder::fileFinished(const FileReport& r) {
  record("fileFinished: " + std::to_string(r.index) + " found=" + std::to_string(r.mailsFound) +
         " saved=" + std::to_string(r.mailsSaved) + " failed=" + std::to_string(r.mailsFailed));
}

void RunRecorder::message(MessageKind kind, const std::string& text) {
  record(std::string("message(") + kindName(kind) + "): " + text);
}

void RunRecorder::runEnded(const RunEnd& end) {
  switch (end.outcome) {
    case RunEnd::Outcome::Completed: record("runEnded: completed to " + end.destination); break;
    case RunEnd::Outcome::Stopped: record("runEnded: stopped"); break;
    case RunEnd::Outcome::Failed: record("runEnded: failed: " + end.reason); break;
  }
}

RunSettings emlSettings(const std::vector<std::string>& stores, const std::string& destination) {
  RunSettings settings;
  for (const auto& s : stores) settings.sources.push_back(sourceRowFor(s));
  settings.destinationFolder = destination;
  settings.saveOption = 2;
  settings.logEnabled = true;
  return settings;
}

std::string writeStore(const std::string& path, const std::vector<std::string>& mails) {
  qm::test::writeFile(path, storegen::buildStore(mails).bytes);
  return path;
}

std::vector<std::string> sampleAndRealStores() {
  std::vector<std::string> stores = {std::string(QM_SOURCE_DIR) + "/samples/Sample.dbx"};
  for (const auto& e : platform::listDirectory(qm::test::sharedFile("samples/real")))
    if (e.name.size() > 4 && e.name.substr(e.name.size() - 4) == ".dbx")
      stores.push_back(qm::test::sharedFile("samples/real/" + e.name));
  return stores;
}

std::vector<std::string> layoutAndDamagedStores(const qm::test::TempDir& folder, const std::vector<std::string>& mails,
                                                std::size_t cutMail, std::size_t pastEndMail) {
  std::vector<std::string> stores;
  for (const auto layout : {storegen::Layout::Reversed, storegen::Layout::Interleaved, storegen::Layout::Shuffled}) {
    storegen::StoreOptions options;
    options.layout = layout;
    stores.push_back(folder.file(std::string(storegen::layoutName(layout)) + ".dbx"));
    qm::test::writeFile(stores.back(), storegen::buildStore(mails, options).bytes);
  }
  auto damaged = storegen::buildStore(mails);
  storegen::cutChainAt(damaged, cutMail, 40);
  storegen::pointPastEnd(damaged, pastEndMail, 3);
  stores.push_back(folder.file("damaged.dbx"));
  qm::test::writeFile(stores.back(), damaged.bytes);
  return stores;
}

std::string shortMail(const std::string& subject) {
  return "From: ann@example.com\r\nTo: bob@example.com\r\nSubject: " + subject +
         "\r\nDate: Tue, 2 Mar 2010 10:00:00 +0100\r\nMIME-Version: 1.0\r\nX-MimeOLE: Produced "
         "By Microsoft MimeOLE V6.00\r\n\r\nHello " + subject + "\r\n";
}

std::string longMail(const std::string& subject, std::size_t length) {
  std::string mail = shortMail(subject);
  for (std::size_t i = 0; mail.size() < length; ++i) mail += "line " + std::to_string(i) + " of the body\r\n";
  mail.resize(length);
  return mail;
}

std::map<std::string, std::string> snapshot(const std::string& folder) {
  std::map<std::string, std::string> files;
  std::error_code ec;
  const auto root = platform::toPath(folder);
  for (auto it = std::filesystem::recursive_directory_iterator(root, ec);
       !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
    std::string relative = platform::fromPath(it->path().lexically_relative(root));
    std::replace(relative.begin(), relative.end(), platform::pathSeparator(), '/');
    std::string contents;
    try {
      if (!it->is_directory()) contents = qm::test::readFile(platform::fromPath(it->path()));
    } catch (const std::exception&) {
      contents = "<gone while read>";
    }
    files[relative + (it->is_directory() ? "/" : "")] = contents;
  }
  return files;
}

::testing::AssertionResult inOrder(const std::vector<std::string>& actual,
                                   const std::vector<std::string>& expected) {
  std::size_t at = 0;
  for (const auto& e : expected) {
    while (at < actual.size() && actual[at] != e) ++at;
    if (at == actual.size()) {
      std::string all;
      for (const auto& a : actual) all += "\n  " + a;
      return ::testing::AssertionFailure() << "missing, or out of order: " << e << "\nin:" << all;
    }
    ++at;
  }
  return ::testing::AssertionSuccess();
}

RunSettings OutputRunTest::settingsFor(const std::vector<std::string>& stores) const {
  RunSettings settings = emlSettings(stores, out());
  settings.saveOption = saveOption_;
  return settings;
}

int OutputRunTest::run(const RunSettings& settings, ConversionWorker::ModeFactory modes) {
  SettingsInput input(settings);
  return ConversionWorker(input, recorder, token, recorder.environment(kRunStamp), std::move(modes)).run();
}

std::string OutputRunTest::work(const std::string& name) const {
  const std::string path = dir.file(name);
  platform::createDirectory(path);
  return path;
}

}  // namespace qm::convert::test
