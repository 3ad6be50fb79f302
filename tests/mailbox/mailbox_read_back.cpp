#include "tests/mailbox/mailbox_read_back.h"

#include <array>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace qm::mailbox::test {

namespace fs = std::filesystem;

namespace {

std::string shellQuoted(const std::string& s) {
  std::string out = "'";
  for (char c : s) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

bool installed(const std::string& program) { return runCommand("command -v " + program + " >/dev/null 2>&1"); }

std::string valueOf(const std::string& headers, const std::string& field) {
  std::istringstream in(headers);
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind(field + ":", 0) != 0) continue;
    const auto start = line.find_first_not_of('\t', field.size() + 1);
    return start == std::string::npos ? "" : line.substr(start);
  }
  return {};
}

}  // namespace

bool runCommand(const std::string& command, std::string* output) {
  std::FILE* pipe = popen((command + (output ? " 2>&1" : "")).c_str(), "r");
  if (!pipe) return false;
  std::array<char, 4096> buffer{};
  std::size_t n = 0;
  while ((n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0)
    if (output) output->append(buffer.data(), n);
  return pclose(pipe) == 0;
}

std::string fileText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

std::int64_t modificationTime(const std::string& path) {
  using namespace std::chrono;
  const auto t = fs::last_write_time(path);
  return duration_cast<seconds>(file_clock::to_sys(t).time_since_epoch()).count();
}

PstTree exportPst(const std::string& pstPath, const std::string& work) {
  PstTree tree;
  if (!installed("pffexport")) return tree;
  const std::string target = work + "/pff";
  fs::remove_all(target + ".export");
  if (!runCommand("pffexport -q -m items -f text -t " + shellQuoted(target) + " " + shellQuoted(pstPath) + " >/dev/null"))
    return tree;
  tree.ran = true;
  const fs::path top = fs::path(target + ".export") / "Top of Outlook data file";
  std::map<std::string, std::map<std::string, PstMail>> byName;  // message folders sorted by name
  for (auto it = fs::recursive_directory_iterator(top); it != fs::recursive_directory_iterator(); ++it) {
    if (!it->is_directory()) continue;
    const std::string name = it->path().filename().string();
    if (name.rfind("Message", 0) == 0 && fs::exists(it->path() / "OutlookHeaders.txt")) {
      const std::string headers = fileText((it->path() / "OutlookHeaders.txt").string());
      PstMail m{valueOf(headers, "Subject"), valueOf(headers, "Flags"), valueOf(headers, "Delivery time"),
                valueOf(headers, "Flag status")};
      byName[fs::relative(it->path().parent_path(), top).string()][name] = m;
      it.disable_recursion_pending();
    } else if (name.rfind("Message", 0) != 0 && name != "Attachments" && name != "Recipients") {
      tree.folders[fs::relative(it->path(), top).string()];
    }
  }
  for (auto& [folder, mails] : byName)
    for (auto& [name, m] : mails) tree.folders[folder].push_back(m);
  return tree;
}

std::map<std::string, int> readpstCounts(const std::string& pstPath, const std::string& work) {
  std::map<std::string, int> counts;
  if (!installed("readpst")) return counts;
  const fs::path target = fs::path(work) / "readpst";
  fs::remove_all(target);
  fs::create_directories(target);
  // -j 0: readpst's parallel jobs race on the mails of one folder and now and then drop one.
  if (!runCommand("readpst -j 0 -q -D -r -e -o " + shellQuoted(target.string()) + " " + shellQuoted(pstPath))) return counts;
  // readpst names the top after the store's display name.
  for (const auto& top : fs::directory_iterator(target)) {
    for (auto it = fs::recursive_directory_iterator(top.path()); it != fs::recursive_directory_iterator(); ++it) {
      if (it->is_directory()) counts[fs::relative(it->path(), top.path()).string()] += 0;
      else if (it->path().extension() == ".eml") ++counts[fs::relative(it->path().parent_path(), top.path()).string()];
    }
  }
  return counts;
}

std::map<std::string, std::vector<MboxMail>> readMboxTree(const std::string& root, const std::string& work) {
  std::map<std::string, std::vector<MboxMail>> tree;
  const std::string out = work + "/mbox-read";
  fs::remove_all(out);
  std::string listing;
  if (!runCommand("python3 " + shellQuoted(std::string(QM_SOURCE_DIR) + "/tests/mailbox/mbox_read_back.py") + " " +
                      shellQuoted(root) + " " + shellQuoted(out),
                  &listing))
    return tree;
  std::istringstream in(listing);
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    std::string file, number;
    MboxMail m;
    std::getline(fields, file, '\t');
    std::getline(fields, number, '\t');
    std::getline(fields, m.status, '\t');
    std::getline(fields, m.xStatus, '\t');
    m.text = fileText(out + "/" + file + "/" + number + ".eml");
    tree[file].push_back(std::move(m));
  }
  // Files without mails are folders too.
  for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator(); ++it)
    if (it->is_regular_file()) tree[fs::relative(it->path(), root).string()];
  return tree;
}

std::map<std::string, std::map<std::string, std::string>> readEmlTree(const std::string& root) {
  std::map<std::string, std::map<std::string, std::string>> tree;
  for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator(); ++it) {
    if (it->is_directory()) tree[fs::relative(it->path(), root).string()];
    else tree[fs::relative(it->path().parent_path(), root).string()][it->path().filename().string()] =
        fileText(it->path().string());
  }
  return tree;
}

}  // namespace qm::mailbox::test
