#include "cli/index_command.h"

#include "oestore/store_checker.h"
#include "oestore/store_index.h"

namespace {

// "2010-03-02 09:00:00" (UTC) for a FILETIME.
std::string dateText(std::uint64_t fileTime) {
  if (fileTime < oe::kFileTimeUnixEpoch) return "-";
  const std::int64_t seconds = static_cast<std::int64_t>((fileTime - oe::kFileTimeUnixEpoch) / oe::kTicksPerSecond);
  // Civil date from days since 1970 (H. Hinnant's algorithm).
  const std::int64_t z = seconds / 86400 + 719468;
  const std::int64_t era = z / 146097;
  const std::int64_t doe = z - era * 146097;
  const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const std::int64_t mp = (5 * doy + 2) / 153;
  const std::int64_t day = doy - (153 * mp + 2) / 5 + 1;
  const std::int64_t month = mp < 10 ? mp + 3 : mp - 9;
  const std::int64_t year = yoe + era * 400 + (month <= 2 ? 1 : 0);
  const std::int64_t s = seconds % 86400;
  auto two = [](std::int64_t v) {
    std::string digits = std::to_string(v);
    if (digits.size() < 2) digits.insert(digits.begin(), '0');
    return digits;
  };
  return std::to_string(year) + "-" + two(month) + "-" + two(day) + " " + two(s / 3600) + ":" + two(s / 60 % 60) + ":" +
         two(s % 60);
}

bool listStore(const std::string& file, bool check, std::ostream& out, std::ostream& err) {
  auto source = oe::FileSource::open(file);
  if (!source) {
    err << "quillmend index: cannot open " << file << "\n";
    return false;
  }
  const oe::MessageIndex index = oe::readMessageIndex(*source);
  out << file << ": " << oe::storeKindName(index.header.kind);
  if (index.header.kind != oe::StoreKind::MessageStore) {
    out << "\n";
    return false;
  }
  out << " \"" << index.header.folderName << "\", " << index.mails.size() << " mails\n";
  for (const oe::IndexedMail& mail : index.mails) {
    const oe::MessageInfo& m = mail.info;
    const oe::ChainRead text = oe::readChain(*source, m.firstBlock);
    out << "  " << m.id << "\t" << dateText(m.sentTime) << "\t" << text.text.size() << "\t" << m.senderAddress << "\t"
        << m.subject << "\n";
  }
  bool sound = index.problems.empty();
  for (const std::string& p : index.problems) err << file << ": " << p << "\n";
  if (check) {
    const oe::StoreCheck result = oe::checkMessageStore(*source);
    for (const std::string& p : result.problems) err << file << ": " << p << "\n";
    sound = sound && result.sound();
    out << "  check: " << (result.sound() ? "sound" : std::to_string(result.problems.size()) + " faults") << "\n";
  }
  return sound;
}

}  // namespace

int runIndex(const CommandArgs& args, std::ostream& out, std::ostream& err) {
  bool check = false;
  std::vector<std::string> files;
  for (const std::string& a : args) {
    if (a == "--check") check = true;
    else if (a.rfind("--", 0) == 0) {
      err << "quillmend index: unknown option " << a << "\n";
      return kExitUsage;
    } else files.push_back(a);
  }
  if (files.empty()) {
    err << "usage: quillmend index [--check] FILE...\n";
    return kExitUsage;
  }
  bool allSound = true;
  for (const std::string& file : files) allSound = listStore(file, check, out, err) && allSound;
  return allSound ? kExitOk : kExitSomeFailed;
}
