#include "tests/convert/msg_read_back.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "mailstore/msg/msg_reader.h"
#include "platform/files.h"
#include "tests/mailstore/pst/pst_test_mails.h"
#include "tests/support/files.h"

namespace qm::convert::test {

std::vector<std::string> messageFileProblems(const std::string& path) {
  const std::string bytes = qm::test::readFile(path);
  std::vector<std::string> problems;
  msg::checkMessageFile(asBytes(bytes), problems, nullptr, true);
  return problems;
}

std::string readBackMessageFiles(const std::vector<std::pair<std::string, const mail::Message*>>& files,
                                 const std::string& work) {
#ifdef _WIN32
  (void)files, (void)work;
  return {};
#else
  std::filesystem::create_directories(platform::toPath(work));
  int count = 0;
  std::string expected = "{\"files\":[";
  for (std::size_t i = 0; i < files.size(); ++i)
    expected += (i ? "," : "") + std::string("{\"path\":") + qm::test::json(files[i].first) +
            ",\"mail\":" + qm::test::mailJson(*files[i].second, work, count) + "}";
  expected += "]}";
  qm::test::writeFile(work + "/expected.json", expected);
  const std::string script = std::string(QM_SOURCE_DIR) + "/tests/mailstore/msg/read_back_msg.py";
  const std::string cmd = "python3 '" + script + "' '" + work + "/expected.json' '" + work + "' > '" + work +
                          "/read_back.txt' 2>&1";
  if (std::system(cmd.c_str()) == 0) return {};
  return qm::test::readFile(work + "/read_back.txt");
#endif
}

void expectMessageFiles(const std::string& folder, const std::vector<std::pair<int, mail::Message>>& mails,
                        const std::string& work) {
  SCOPED_TRACE(folder);
  std::vector<std::string> expected, present;
  std::vector<std::pair<std::string, const mail::Message*>> files;
  for (const auto& [index, message] : mails) {
    char name[40];
    std::snprintf(name, sizeof name, "Converted_msg_%06d.msg", index + 1);
    expected.push_back(name);
    files.emplace_back(folder + platform::pathSeparator() + name, &message);
  }
  for (const auto& e : platform::listDirectory(folder)) present.push_back(e.name);
  std::sort(present.begin(), present.end());
  EXPECT_EQ(present, expected);
  for (const auto& [path, message] : files)
    for (const auto& p : messageFileProblems(path)) ADD_FAILURE() << path << ": " << p;
  const std::string differences = readBackMessageFiles(files, work);
  EXPECT_TRUE(differences.empty()) << differences;
}

}  // namespace qm::convert::test
