#include "tests/oestore/store_read_back.h"

#include "oestore/mail_summary.h"
#include "platform/files.h"
#include "oestore/store_checker.h"
#include "oestore/store_index.h"
#include "tests/engine/engine_fixture.h"
#include "tests/support/files.h"

namespace oe::test {

StoreContents readBackStore(const std::string& path) {
  StoreContents out;
  auto source = FileSource::open(path);
  if (!source) {
    out.problems.push_back("cannot open " + path);
    return out;
  }
  const MessageIndex index = readMessageIndex(*source);
  out.problems = index.problems;
  for (const IndexedMail& mail : index.mails) {
    ChainRead chain = readChain(*source, mail.info.firstBlock);
    for (const std::string& p : chain.problems) out.problems.push_back(p);
    out.mails.push_back(std::move(chain.text));
    out.records.push_back(mail.info);
  }
  const StoreCheck check = checkMessageStore(*source);
  for (const std::string& p : check.problems) out.problems.push_back("check: " + p);
  return out;
}

::testing::AssertionResult storeHolds(const std::string& path, const std::vector<std::string>& mails) {
  const StoreContents got = readBackStore(path);
  if (!got.problems.empty()) return ::testing::AssertionFailure() << path << ": " << got.problems.front();
  if (got.mails.size() != mails.size())
    return ::testing::AssertionFailure() << got.mails.size() << " mails through the index, " << mails.size() << " expected";
  for (std::size_t m = 0; m < mails.size(); ++m) {
    if (got.mails[m] != mails[m]) return ::testing::AssertionFailure() << "mail " << m << " differs through the index";
    const MessageInfo expected = summarizeMail(mails[m], got.records[m].storedTime, 0);
    const MessageInfo& r = got.records[m];
    if (r.subject != expected.subject || r.senderAddress != expected.senderAddress || r.sentTime != expected.sentTime ||
        r.receivedTime != expected.receivedTime || r.textLength != mails[m].size())
      return ::testing::AssertionFailure() << "record " << m << " does not match its mail (subject \"" << r.subject << "\")";
  }
  qm::test::TempDir out;
  const Extraction scan = extractMails(path, out);
  if (scan.mails != mails) return ::testing::AssertionFailure() << "the raw scan finds other mails (" << scan.mails.size() << ")";
  return ::testing::AssertionSuccess();
}

::testing::AssertionResult largeStoreHolds(const std::string& path, const std::function<std::string(std::size_t)>& mail,
                                           std::size_t count) {
  auto source = FileSource::open(path);
  if (!source) return ::testing::AssertionFailure() << "cannot open " << path;
  const StoreCheck check = checkMessageStore(*source);
  if (!check.sound()) return ::testing::AssertionFailure() << "check: " << check.problems.front();
  const MessageIndex index = readMessageIndex(*source);
  if (!index.problems.empty()) return ::testing::AssertionFailure() << index.problems.front();
  if (index.mails.size() != count)
    return ::testing::AssertionFailure() << index.mails.size() << " mails through the index, " << count << " expected";
  for (std::size_t m = 0; m < count; ++m) {
    if (readChain(*source, index.mails[m].info.firstBlock).text != mail(m))
      return ::testing::AssertionFailure() << "mail " << m << " differs through the index";
  }
  source.reset();

  RecordingHost host;
  DbxFile engine(host);
  if (!engine.open(path)) return ::testing::AssertionFailure() << "the engine cannot open " << path;
  std::int32_t found = 0;
  if (engine.findMails(found) != static_cast<std::int32_t>(count))
    return ::testing::AssertionFailure() << "the raw scan finds " << found << " mails, " << count << " expected";
  qm::test::TempDir out;
  for (std::size_t m = 0; m < count; ++m) {
    std::string written;
    if (!engine.saveMailToEML(out.path(), written, static_cast<std::int32_t>(m)) || qm::test::readFile(written) != mail(m))
      return ::testing::AssertionFailure() << "the raw scan's mail " << m << " differs";
    qm::platform::deleteFile(written);
  }
  return ::testing::AssertionSuccess();
}

}  // namespace oe::test
