#include "cli/scan_command.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <memory>
#include <optional>

#include "cli/commands.h"
#include "cli/json_text.h"
#include "cli/source_check.h"
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
  std::int32_t stray = 0;
  double seconds = 0;  // the scan and the linking
};

const char* kindName(dbx::SignatureKind kind) {
  switch (kind) {
    case dbx::SignatureKind::MessageStore: return "message store";
    case dbx::SignatureKind::OtherKind: return "other kind";
    case dbx::SignatureKind::NotDbx: break;
  }
  return "not a store";
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
  row.stray = found.strayBlocks;
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
      << ",\"strayBlocks\":" << r.stray << ",\"seconds\":" << secondsText(r.seconds) << "}\n";
}

void printTable(std::ostream& out, const std::vector<ScanRow>& rows) {
  constexpr std::size_t kColumns = 7;
  using Row = std::array<std::string, kColumns>;
  const Row titles = {"File", "Kind", "Size", "Blocks", "Mails", "Rejected", "NoMail"};
  std::vector<Row> cells;
  for (const auto& r : rows)
    cells.push_back({r.file, r.kind, std::to_string(r.size), std::to_string(r.blocks), std::to_string(r.mails),
                     std::to_string(r.rejected), std::to_string(r.stray)});
  std::array<std::size_t, kColumns> width{};
  for (std::size_t c = 0; c < kColumns; ++c) {
    width[c] = titles[c].size();
    for (const auto& row : cells) width[c] = std::max(width[c], row[c].size());
  }
  const auto line = [&](const Row& row) {
    std::string text;
    for (std::size_t c = 0; c < kColumns; ++c) {
      const std::string pad(width[c] - row[c].size(), ' ');
      text += c < 2 ? row[c] + pad : pad + row[c];  // names left, numbers right
      if (c + 1 < kColumns) text += "  ";
    }
    out << text << "\n";
  };
  line(titles);
  for (const auto& row : cells) line(row);
}

}  // namespace

OptionTable scanOptionTable(ScanOptions& o) {
  return {
      flag("--json", "one JSON object per store instead of the table", o.json),
      flag("--log", "also write the execution and error logs in \"Log Files\" beside the program", o.log),
  };
}

int runScan(const CommandArgs& args, std::ostream& out, std::ostream& err) {
  ScanOptions options;
  const auto parsed = parseArgs("scan", scanOptionTable(options), args, err);
  if (!parsed) return kExitUsage;
  if (parsed->help) return commandHelp("scan", out);
  const std::vector<std::string>& files = parsed->operands;
  if (files.empty()) {
    err << "quillmend scan: no store given\nTry 'quillmend help scan'.\n";
    return kExitUsage;
  }
  if (options.log) startLogs("scan", err);
  CommandHost host("scan", err);
  DbxFile store(host);
  store.logEnabled = options.log;
  std::vector<ScanRow> rows;
  int status = kExitOk;
  for (const auto& path : files) {
    std::optional<ScanRow> row;
    if (const auto reason = unusableSource(path)) {
      err << "quillmend scan: " << *reason << "\n";
    } else {
      row = scanOne(store, path);
    }
    if (!row) {
      status = kExitSomeFailed;
      continue;
    }
    if (options.json) printJson(out, *row);
    rows.push_back(*row);
  }
  if (!options.json && !rows.empty()) printTable(out, rows);
  return status;
}
