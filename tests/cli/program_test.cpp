// The quillmend program itself, run as people run it: through a pipe (standard output and
// standard error apart) and on a pseudo-terminal (both on one screen, with the progress
// line), compared with golden texts in golden/. QM_UPDATE_GOLDEN=1 rewrites them.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <regex>
#include <thread>

#include "platform/files.h"
#include "tests/support/files.h"
#include "tests/support/storegen/store_generator.h"
#include "tests/support/temp_dir.h"

namespace {

using qm::test::TempDir;
namespace storegen = qm::storegen;

const std::string kSource = QM_SOURCE_DIR;
const std::string kGolden = kSource + "/tests/cli/golden/";

struct Ran {
  int status = -1;
  std::string out, err;
};

// Where the program runs: the tests give it paths relative to this folder, so that the texts
// are the same in every run.
std::string workFolder;

[[noreturn]] void execProgram(const std::vector<std::string>& args) {
  if (!workFolder.empty() && ::chdir(workFolder.c_str()) != 0) ::_exit(126);
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(QM_PROGRAM));
  for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  ::execv(QM_PROGRAM, argv.data());
  ::_exit(127);
}

int exitStatus(pid_t child) {
  int status = 0;
  while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// Reads both descriptors to their end.
void drain(int outFd, int errFd, Ran& ran) {
  pollfd fds[2] = {{outFd, POLLIN, 0}, {errFd, POLLIN, 0}};
  std::string* sinks[2] = {&ran.out, &ran.err};
  int open = 2;
  while (open > 0) {
    if (::poll(fds, 2, -1) < 0 && errno != EINTR) break;
    for (int i = 0; i < 2; ++i) {
      if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
      char buffer[4096];
      const ssize_t n = ::read(fds[i].fd, buffer, sizeof buffer);
      if (n > 0) {
        sinks[i]->append(buffer, static_cast<std::size_t>(n));
      } else {
        ::close(fds[i].fd);
        fds[i].fd = -1;
        --open;
      }
    }
  }
}

pid_t startPiped(const std::vector<std::string>& args, int& outFd, int& errFd) {
  int out[2], err[2];
  if (::pipe(out) != 0 || ::pipe(err) != 0) return -1;
  const pid_t child = ::fork();
  if (child == 0) {
    ::dup2(out[1], 1);
    ::dup2(err[1], 2);
    ::close(out[0]), ::close(err[0]), ::close(out[1]), ::close(err[1]);
    execProgram(args);
  }
  ::close(out[1]), ::close(err[1]);
  outFd = out[0];
  errFd = err[0];
  return child;
}

Ran throughPipe(const std::vector<std::string>& args) {
  Ran ran;
  int outFd = -1, errFd = -1;
  const pid_t child = startPiped(args, outFd, errFd);
  if (child < 0) return ran;
  drain(outFd, errFd, ran);
  ran.status = exitStatus(child);
  return ran;
}

Ran onTerminal(const std::vector<std::string>& args) {
  Ran ran;
  int master = -1;
  winsize size{};
  size.ws_row = 50;
  size.ws_col = 200;
  const pid_t child = ::forkpty(&master, nullptr, nullptr, &size);
  if (child == 0) execProgram(args);
  if (child < 0) return ran;
  char buffer[4096];
  for (;;) {
    const ssize_t n = ::read(master, buffer, sizeof buffer);
    if (n > 0)
      ran.out.append(buffer, static_cast<std::size_t>(n));
    else if (n < 0 && errno == EINTR)
      continue;
    else
      break;  // EIO once the program has gone
  }
  ::close(master);
  ran.status = exitStatus(child);
  return ran;
}

// What the screen shows at the end: carriage returns go back to the start of the line and
// later text overwrites earlier text, as on a terminal; blanks at line ends are invisible.
std::string screen(const std::string& raw) {
  std::vector<std::string> lines(1);
  std::size_t column = 0;
  for (const char c : raw) {
    if (c == '\r') {
      column = 0;
    } else if (c == '\n') {
      lines.emplace_back();
      column = 0;
    } else {
      std::string& line = lines.back();
      if (column < line.size())
        line[column] = c;
      else
        line.push_back(c);
      ++column;
    }
  }
  std::string text;
  for (auto& line : lines) {
    while (!line.empty() && line.back() == ' ') line.pop_back();
    text += line + "\n";
  }
  while (text.size() > 1 && text.substr(text.size() - 2) == "\n\n") text.pop_back();
  return text;
}

// The text with what differs from run to run put in words.
std::string steady(std::string text, const std::string& dir) {
  const auto replaceAll = [&](const std::string& from, const std::string& to) {
    for (std::size_t at = text.find(from); at != std::string::npos;
         at = text.find(from, at + to.size()))
      text.replace(at, from.size(), to);
  };
  replaceAll(dir, "<DIR>");
  replaceAll(kSource, "<SOURCE>");
  text = std::regex_replace(text, std::regex(R"(Time: [0-9.:]+( s)?)"), "Time: <TIME>");
  text = std::regex_replace(text, std::regex(R"("seconds":[0-9.]+)"), "\"seconds\":<TIME>");
  text = std::regex_replace(text, std::regex(R"(quillmend [0-9]+\.[0-9]+\.[0-9]+)"),
                            "quillmend <VERSION>");
  return text;
}

void compareWithGolden(const std::string& name, const std::string& actual) {
  const std::string path = kGolden + name;
  if (std::getenv("QM_UPDATE_GOLDEN")) {
    std::ofstream(path, std::ios::binary) << actual;
    return;
  }
  EXPECT_EQ(qm::test::readFile(path), actual) << "golden file " << path;
}

class ProgramTest : public ::testing::Test {
 protected:
  void SetUp() override {
    workFolder = dir.path();
    const std::string sample = qm::test::readFile(kSource + "/samples/Sample.dbx");
    qm::platform::createDirectory(dir.file("stores"));
    qm::test::writeFile(dir.file("stores/Inbox.dbx"), sample);
    std::vector<std::string> mails;
    for (int i = 0; i < 3; ++i)
      mails.push_back(
          "From: a@example.com\r\nTo: b@example.com\r\nSubject: mail " + std::to_string(i) +
          "\r\nDate: Tue, 2 Mar 2010 10:00:00 +0100\r\nMIME-Version: 1.0\r\nX-MimeOLE: V6\r\n\r\n" +
          std::string(1200, 'x'));
    storegen::GeneratedStore damaged = storegen::buildStore(mails);
    storegen::cutChainAt(damaged, 0, 0);
    storegen::cutChainAt(damaged, 1, 1);
    qm::test::writeFile(dir.file("stores/Damaged.dbx"), damaged.bytes);
    qm::platform::createDirectory(dir.file("tree"));
    qm::platform::createDirectory(dir.file("tree/sub"));
    qm::test::writeFile(dir.file("tree/sub/Sent.dbx"), sample);
    qm::test::writeFile(dir.file("tree/Inbox.dbx"), sample);
  }
  void TearDown() override { workFolder.clear(); }

  // Runs `args` both ways and compares each with its golden text.
  void check(const std::string& name, const std::vector<std::string>& args, int status) {
    const Ran piped = throughPipe(args);
    EXPECT_EQ(piped.status, status) << name << "\n" << piped.err;
    compareWithGolden(name + ".pipe.txt",
                      steady("== standard output\n" + piped.out + "== standard error\n" +
                                 piped.err + "== exit " + std::to_string(piped.status) + "\n",
                             dir.path()));
    clearOutput();
    const Ran shown = onTerminal(args);
    EXPECT_EQ(shown.status, status) << name;
    compareWithGolden(
        name + ".tty.txt",
        steady(screen(shown.out) + "== exit " + std::to_string(shown.status) + "\n", dir.path()));
    clearOutput();
  }

  void clearOutput() { std::filesystem::remove_all(qm::platform::toPath(dir.file("out"))); }

  TempDir dir;
};

TEST_F(ProgramTest, Help) {
  check("help", {"--help"}, 0);
  check("help-convert", {"help", "convert"}, 0);
  check("version", {"-V"}, 0);
}

TEST_F(ProgramTest, MistakesExitTwoWithASuggestion) {
  check("mistyped-command", {"convrt", "--to", "eml"}, 2);
  check("mistyped-option", {"convert", "--to", "eml", "--recovry", "-d", "out", "stores/Inbox.dbx"},
        2);
  check("no-command", {}, 2);
}

TEST_F(ProgramTest, ListScanAndSearch) {
  check("list", {"list", "stores/Inbox.dbx", "stores/Damaged.dbx"}, 0);
  check("scan", {"scan", "stores/Inbox.dbx", "stores/Damaged.dbx", "stores/none.dbx"}, 1);
  check("search", {"search", "tree"}, 0);
}

TEST_F(ProgramTest, ConvertKeepsALinePerStoreWithWarningsAndReasons) {
  check("convert",
        {"convert", "--to", "eml", "--into", "-d", "out", "stores/Inbox.dbx", "stores/Damaged.dbx",
         "stores/missing.dbx"},
        1);
  check("convert-clean", {"convert", "--to=eml", "--into", "--dest", "out", "stores/Inbox.dbx"}, 0);
  // A tag that makes the output folder's name longer than a file system takes.
  check("convert-failed",
        {"convert", "--to", "eml", "--into", "--tag", std::string(250, 't'), "-d", "out", "stores/Inbox.dbx"}, 1);
  check("convert-json",
        {"convert", "--json", "--to", "eml", "--into", "-d", "out", "stores/Damaged.dbx"}, 0);
}

// Ctrl-C in the middle of a store: exit 130, and the summary counts exactly the files the
// run left on disk.
TEST_F(ProgramTest, CtrlCGivesTheTrueCountsAndExit130) {
  std::vector<std::size_t> lengths(20000, 900);
  const storegen::StoreOptions options;
  const storegen::StorePlan plan = storegen::planStore(lengths, options);
  {
    std::ofstream big(dir.file("Big.dbx"), std::ios::binary);
    storegen::emitStore(
        plan,
        [](std::size_t m) {
          std::string text = "Subject: " + std::to_string(m) + "\r\n\r\n";
          text.resize(900, 'b');  // the length the plan was made for
          return text;
        },
        options,
        [&](const std::uint8_t* data, std::size_t size) {
          big.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
        });
  }
  int outFd = -1, errFd = -1;
  const std::string out = dir.file("out");
  const pid_t child = startPiped(
      {"convert", "--to", "eml", "--into", "-d", out, dir.file("Big.dbx")}, outFd, errFd);
  ASSERT_GT(child, 0);
  const std::string folder = out + "/1_Converted_Big_As_EML";
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (std::chrono::steady_clock::now() < deadline &&
         (!qm::platform::isDirectory(folder) || qm::platform::listDirectory(folder).size() < 50))
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  ::kill(child, SIGINT);
  Ran ran;
  drain(outFd, errFd, ran);
  ran.status = exitStatus(child);
  ASSERT_EQ(ran.status, 130) << ran.out << ran.err;
  std::size_t onDisk = 0;
  for (const auto& entry : qm::platform::listDirectory(folder))
    if (entry.name.size() > 4 && entry.name.compare(entry.name.size() - 4, 4, ".eml") == 0) ++onDisk;
  EXPECT_LT(onDisk, 20000u) << "the run ended before the stop";
  // A mail completed while Ctrl-C was being handled is counted too: the worker's own report
  // of the store gives the count, not the reports the stop cut off.
  const std::string written = std::to_string(onDisk) + (onDisk == 1 ? " mail written" : " mails written");
  EXPECT_NE(ran.out.find("[1/1] Big.dbx: stopped: " + written + " (of 20000 found)\n"), std::string::npos)
      << ran.out;
  EXPECT_NE(ran.out.find("Stopped by Ctrl-C. Converted 0 of 1 store: " + written + ", 0 failed.\n"),
            std::string::npos)
      << ran.out;
}

}  // namespace
