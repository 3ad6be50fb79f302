#include "cli/scan_command.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <memory>
#include <optional>

#include "cli/json_text.h"
#include "engine/dbx_file.h"
#include "engine/dbx_format.h"
#include "log/app_log.h"
#include "platform/files.h"

namespace {

struct ScanRow {
  std::string file;
  std::string kind;
  std::uint64_t size = 0;
  std::int32_t blocks = 0;
  std::int32_t mails = 0;
  std::int32_t rejected = 0;
  double seconds = 0;  // the scan and the linking
};

// Logs through AppLog when asked to; message boxes become lines on stderr.
class ScanHost : public EngineHost {
 public:
  explicit ScanHost(std::ostream& err) : err_(err) {}
  void showMessage(const std::string& text) override { err_ << "quillmend scan: " << text << "\n"; }
  void writeLog(const std::string& text, bool toErrorLog) override { AppLog::write(0, 0, text, toErrorLog); }

 private:
  std::ostream& err_;
};

const char* kindName(dbx::SignatureKind kind) {
  switch (kind) {
    case dbx::SignatureKind::MessageStore: return "message store";
    case dbx::SignatureKind::OtherKind: return "other kind";
    case dbx::SignatureKind::NotDbx: break;
  }
  return "not a store";
}

// Why a path cannot be scanned, or nothing when it can be read.
std::optional<std::string> unreadableReason(const std::string& path) {
  if (path.empty()) return "empty path";
  if (qm::platform::isDirectory(path)) return "'" + path + "' is a folder, not a store file";
  if (!qm::platform::fileExists(path)) return "'" + path + "' does not exist";
  std::unique_ptr<std::FILE, qm::platform::FileCloser> f(qm::platform::openFile(path, "rb"));
  if (!f) return "'" + path + "' cannot be read";
  return std::nullopt;
}

dbx::SignatureKind signatureOf(const std::string& path) {
  std::array<std::uint8_t, dbx::kSignatureLength> head{};
  std::unique_ptr<std::FILE, qm::platform::FileCloser> f(qm::platform::openFile(path, "rb"));
  const std::size_t n = f ? std::fread(head.data(), 1, head.size(), f.get()) : 0;
  return dbx::classifySignature({head.data(), n});
}

std::optional<ScanRow> scanOne(DbxFile& store, const std::string& path) {
  if (!store.open(path)) return std::nullopt;
  ScanRow row;
  row.file = path;
  row.kind = kindName(signatureOf(path));
  std::int32_t mails = 0;
  store.findMails(mails);
  const StoreFindings found = store.findings();
  row.size = found.fileSize;
  row.blocks = found.blocks;
  row.mails = mails;
  row.rejected = found.incompleteChains;
  row.seconds = found.scanSeconds + found.linkSeconds;
  store.close();
  return row;
}

// Seconds to the millisecond, as a JSON number.
std::string secondsText(double seconds) {
  char text[32];
  std::snprintf(text, sizeof text, "%.3f", seconds);
  return text;
}

void printJson(std::ostream& out, const ScanRow& r) {
  out << "{\"file\":" << jsonString(r.file) << ",\"kind\":" << jsonString(r.kind) << ",\"size\":" << r.size
      << ",\"blocks\":" << r.blocks << ",\"mails\":" << r.mails << ",\"rejected\":" << r.rejected
      << ",\"seconds\":" << secondsText(r.seconds) << "}\n";
}

void printTable(std::ostream& out, const std::vector<ScanRow>& rows) {
  const std::array<std::string, 6> titles = {"File", "Kind", "Size", "Blocks", "Mails", "Rejected"};
  std::vector<std::array<std::string, 6>> cells;
  for (const auto& r : rows)
    cells.push_back({r.file, r.kind, std::to_string(r.size), std::to_string(r.blocks), std::to_string(r.mails),
                     std::to_string(r.rejected)});
  std::array<std::size_t, 6> width{};
  for (std::size_t c = 0; c < 6; ++c) {
    width[c] = titles[c].size();
    for (const auto& row : cells) width[c] = std::max(width[c], row[c].size());
  }
  const auto line = [&](const std::array<std::string, 6>& row) {
    std::string text;
    for (std::size_t c = 0; c < 6; ++c) {
      const std::string pad(width[c] - row[c].size(), ' ');
      text += c < 2 ? row[c] + pad : pad + row[c];  // names left, numbers right
      if (c + 1 < 6) text += "  ";
    }
    out << text << "\n";
  };
  line(titles);
  for (const auto& row : cells) line(row);
}

}  // namespace

int runScan(const CommandArgs& args, std::ostream& out, std::ostream& err) {
  bool json = false, log = false;
  std::vector<std::string> files;
  bool optionsEnded = false;
  for (const auto& arg : args) {
    if (!optionsEnded && arg == "--json") json = true;
    else if (!optionsEnded && arg == "--log") log = true;
    else if (!optionsEnded && arg == "--") optionsEnded = true;
    else if (!optionsEnded && arg.size() > 1 && arg[0] == '-') {
      err << "quillmend scan: unknown option " << arg << "\n";
      return kExitUsage;
    } else files.push_back(arg);
  }
  if (files.empty()) {
    err << "usage: quillmend scan [--json] [--log] FILE...\n";
    return kExitUsage;
  }
  if (log) AppLog::start();
  ScanHost host(err);
  DbxFile store(host);
  store.logEnabled = log;
  std::vector<ScanRow> rows;
  int status = kExitOk;
  for (const auto& path : files) {
    std::optional<ScanRow> row;
    if (const auto reason = unreadableReason(path)) {
      err << "quillmend scan: " << *reason << "\n";
    } else {
      row = scanOne(store, path);
    }
    if (!row) {
      status = kExitSomeFailed;
      continue;
    }
    if (json) printJson(out, *row);
    rows.push_back(*row);
  }
  if (!json && !rows.empty()) printTable(out, rows);
  return status;
}
