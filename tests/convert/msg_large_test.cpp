// A mail with a 50 MB attachment through the MSG mode: a file every reader opens, with the
// attachment byte for byte. Writing the file from the mail read in memory holds the
// attachment no second time: the peak stays under twice its size.
#include <gtest/gtest.h>

#include <fstream>

#include "convert/conversion_worker.h"
#include "convert/save_option.h"
#include "mailstore/msg/msg_writer.h"
#include "mailstore/standard_components.h"
#include "platform/files.h"
#include "tests/convert/msg_read_back.h"
#include "tests/convert/run_fixture.h"
#include "tests/convert/sample_mails.h"

namespace qm::convert::test {
namespace {

constexpr std::size_t kAttachment = 50u << 20;

// A field of /proc/self/status in bytes ("VmHWM", "VmRSS"); 0 where there is none.
std::uint64_t statusBytes(const std::string& field) {
  std::ifstream in("/proc/self/status");
  std::string line;
  while (std::getline(in, line))
    if (line.rfind(field + ":", 0) == 0) return std::stoull(line.substr(field.size() + 1)) * 1024;
  return 0;
}

TEST(MsgLarge, AFiftyMegabyteAttachmentArrivesWholeAndThePeakStaysUnderTwiceItsSize) {
  mail::useStandardComponents();
  qm::test::TempDir dir;
  const std::string store = writeStore(dir.file("Large.dbx"), attachmentMails(1, kAttachment));
  ASSERT_TRUE(platform::createDirectory(dir.file("out")));
  // From here the peak is measured: the store's making does not count.
  const bool measured = std::ofstream("/proc/self/clear_refs") << "5" && statusBytes("VmHWM") > 0;
  const std::uint64_t before = statusBytes("VmRSS");

  RunRecorder recorder{dir.path()};
  CancelToken token;
  RunSettings settings = emlSettings({store}, dir.file("out"));
  settings.saveOption = SAVEASMSG;
  SettingsInput input(settings);
  ConversionWorker worker(input, recorder, token, recorder.environment({7, 3, 2010, 14, 5, 9}));
  EXPECT_EQ(worker.run(), 0);
  // The whole run's peak includes the reading of the .eml text, held while it is decoded.
  if (measured) std::printf("whole run: peak %llu MB above the start\n", static_cast<unsigned long long>((statusBytes("VmHWM") - before) >> 20));
  platform::createDirectory(dir.file("eml"));
  const auto mails = indexedStoreMails(store, dir.file("eml"));
  ASSERT_EQ(mails.size(), 1u);
  ASSERT_EQ(mails[0].second.attachments.at(0).data.size(), kAttachment);
  expectMessageFiles(dir.file("out") + platform::pathSeparator() + "1_Converted_Large_As_MSG", mails, dir.file("read"));

  // The mail in memory holds the attachment once; writing it must not hold it again.
  if (!measured) return;
  std::ofstream("/proc/self/clear_refs") << "5";
  const std::uint64_t held = statusBytes("VmRSS");
  msg::writeMessageFile(mails[0].second, true, dir.file("again.msg"));
  const std::uint64_t peak = statusBytes("VmHWM");
  std::printf("writing: peak %llu MB above the mail in memory\n", static_cast<unsigned long long>((peak - held) >> 20));
  EXPECT_LT(peak - held, kAttachment / 4);
}

}  // namespace
}  // namespace qm::convert::test
