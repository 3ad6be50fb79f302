// qm_makestore: writes a message store from mail files, in a chosen layout and with chosen
// damage. Usage:
//   qm_makestore -o STORE.dbx [--layout in-order|reversed|interleaved|spread|shuffled]
//                [--seed N] [--gap N] [--first OFFSET] [--shift N]
//                [--cut MAIL:BLOCK]... [--past-end MAIL:BLOCK]... [--truncate LENGTH]
//                [--bad-magic] [--kind HEX] MAIL.eml...
// Mails are numbered from 0 in the order given; the same arguments give the same bytes.
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <vector>

#include "tests/support/storegen/store_generator.h"

using namespace qm::storegen;

namespace {

std::string readWhole(const std::string& path) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) throw std::runtime_error("cannot read " + path);
  std::string text;
  char buf[65536];
  std::size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) text.append(buf, n);
  std::fclose(f);
  return text;
}

std::pair<std::size_t, std::size_t> mailBlock(const std::string& arg) {
  const auto colon = arg.find(':');
  if (colon == std::string::npos) throw std::invalid_argument("expected MAIL:BLOCK, got " + arg);
  return {std::stoul(arg.substr(0, colon)), std::stoul(arg.substr(colon + 1))};
}

struct Damage {
  std::vector<std::pair<std::size_t, std::size_t>> cuts, pastEnd;
  long long truncateTo = -1;
  bool badMagic = false;
  long long kind = -1;
};

void applyDamage(GeneratedStore& store, const Damage& damage) {
  for (const auto& [m, b] : damage.cuts) cutChainAt(store, m, b);
  for (const auto& [m, b] : damage.pastEnd) pointPastEnd(store, m, b);
  if (damage.badMagic) breakMagic(store);
  if (damage.kind >= 0) setKind(store, static_cast<std::uint32_t>(damage.kind));
  if (damage.truncateTo >= 0) truncateStore(store, static_cast<std::uint64_t>(damage.truncateTo));
}

int run(int argc, char** argv) {
  StoreOptions options;
  Damage damage;
  std::string out;
  std::vector<std::string> mails;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const auto value = [&]() -> std::string {
      if (i + 1 >= argc) throw std::invalid_argument(arg + " needs a value");
      return argv[++i];
    };
    if (arg == "-o") out = value();
    else if (arg == "--layout") {
      if (!parseLayout(value(), options.layout)) throw std::invalid_argument("unknown layout");
    } else if (arg == "--seed") options.seed = static_cast<std::uint32_t>(std::stoul(value()));
    else if (arg == "--gap") options.largestGap = static_cast<std::uint32_t>(std::stoul(value()));
    else if (arg == "--first") options.firstBlock = std::stoull(value());
    else if (arg == "--shift") options.selfOffsetShift = std::stoll(value());
    else if (arg == "--cut") damage.cuts.push_back(mailBlock(value()));
    else if (arg == "--past-end") damage.pastEnd.push_back(mailBlock(value()));
    else if (arg == "--truncate") damage.truncateTo = std::stoll(value());
    else if (arg == "--bad-magic") damage.badMagic = true;
    else if (arg == "--kind") damage.kind = std::stoll(value(), nullptr, 16);
    else if (!arg.empty() && arg[0] == '-') throw std::invalid_argument("unknown option " + arg);
    else mails.push_back(readWhole(arg));
  }
  if (out.empty() || mails.empty()) throw std::invalid_argument("usage: qm_makestore -o STORE.dbx [options] MAIL...");
  GeneratedStore store = buildStore(mails, options);
  applyDamage(store, damage);
  std::FILE* f = std::fopen(out.c_str(), "wb");
  if (!f) throw std::runtime_error("cannot write " + out);
  const bool ok = std::fwrite(store.bytes.data(), 1, store.bytes.size(), f) == store.bytes.size();
  if (std::fclose(f) != 0 || !ok) throw std::runtime_error("cannot write " + out);
  std::printf("%s: %zu mails, %zu bytes (%s)\n", out.c_str(), mails.size(), store.bytes.size(),
              layoutName(options.layout));
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    return run(argc, argv);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "qm_makestore: %s\n", e.what());
    return 2;
  }
}
