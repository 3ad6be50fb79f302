// What a conversion run reads from its front end: the source list, the destination, the
// output kind, the two settings and the output naming choices. The main window answers from
// its own members (the controls that change them are disabled for the whole run); the
// command line and the tests answer from RunSettings.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qm::convert {

// One row of the source list: column 0 (full path) and column 1 (file name with extension).
struct SourceRow {
  std::string path;
  std::string fileName;
};

// How output folders are named; the defaults are the main window's start-up values.
struct OutputNaming {
  bool useFileCounter = true;
  std::int32_t fileCounterStart = 1;
  bool useFolderTag = true;
  std::string folderTag = "Converted";
  bool useTypeTag = true;
};

class RunInput {
 public:
  virtual ~RunInput() = default;
  // Rows of the source list; read once, at the start of the run.
  virtual int sourceCount() const = 0;
  virtual SourceRow sourceRow(int index) const = 0;
  // The folder under which the output folders are made, without a trailing separator.
  virtual std::string destinationFolder() const = 0;
  // The output kind as stored (SaveOption values 1 to 5; any other value runs no mode).
  virtual std::int32_t saveOption() const = 0;
  virtual bool logEnabled() const = 0;
  virtual bool recoveryMode() const = 0;
  virtual OutputNaming naming() const = 0;
  // Whether an output folder that exists and holds files may be used, after the files that
  // the output kind writes there are deleted. When not, such a folder is left alone and the
  // output goes to a new folder beside it.
  virtual bool replaceEarlierOutput() const { return true; }
};

// Plain values, for front ends that hold no window.
struct RunSettings {
  std::vector<SourceRow> sources;
  std::string destinationFolder;
  std::int32_t saveOption = 2;  // SAVEASEML
  bool logEnabled = false;
  bool recoveryMode = false;
  OutputNaming naming;
  bool replaceEarlierOutput = true;
};

class SettingsInput : public RunInput {
 public:
  explicit SettingsInput(RunSettings settings) : settings_(std::move(settings)) {}
  int sourceCount() const override { return static_cast<int>(settings_.sources.size()); }
  SourceRow sourceRow(int index) const override {
    return settings_.sources.at(static_cast<std::size_t>(index));
  }
  std::string destinationFolder() const override { return settings_.destinationFolder; }
  std::int32_t saveOption() const override { return settings_.saveOption; }
  bool logEnabled() const override { return settings_.logEnabled; }
  bool recoveryMode() const override { return settings_.recoveryMode; }
  OutputNaming naming() const override { return settings_.naming; }
  bool replaceEarlierOutput() const override { return settings_.replaceEarlierOutput; }

 private:
  RunSettings settings_;
};

// A source row for a path: the file name is the part after the last separator.
SourceRow sourceRowFor(const std::string& path);

}  // namespace qm::convert
