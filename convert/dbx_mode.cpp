#include "convert/dbx_mode.h"

#include <filesystem>
#include <optional>
#include <stdexcept>
#include <system_error>
#include <vector>

#include "platform/files.h"

namespace qm::convert {

using std::to_string;

namespace {

// The store directory path the store hands back fits this many characters.
constexpr std::size_t kDirectoryRoom = 260;

// A temporary .eml file, whole, as raw bytes; false when it cannot be read.
bool readWhole(const std::string& path, std::vector<char>& bytes) {
  std::unique_ptr<std::FILE, platform::FileCloser> in(platform::openFile(path, "rb"));
  if (!in) return false;
  // One read for the whole file, unbuffered: the stream's buffer would only copy it again.
  std::setvbuf(in.get(), nullptr, _IONBF, 0);
  if (!platform::seekToEnd(in.get())) return false;
  const std::optional<std::uint64_t> size = platform::tellPosition(in.get());
  if (!size || !platform::seekTo(in.get(), 0)) return false;
  bytes.resize(static_cast<std::size_t>(*size));
  return std::fread(bytes.data(), 1, bytes.size(), in.get()) == bytes.size();
}

// Copies `from` to `to` through a temporary name beside `to`, so that `to` is either the
// whole file or absent (and an older file of that name stays until the copy is complete).
// On the same volume the copy is a second name for the store's file, which the store drops
// when it is released: the bytes are not written a second time.
bool copyWhole(const std::string& from, const std::string& to) {
  std::error_code ec;
  const std::filesystem::path source = platform::toPath(from);
  const std::filesystem::path part = platform::toPath(to + ".part");
  std::filesystem::remove(part, ec);
#ifdef _WIN32
  // The store's own file may still be held open there: a second name is not to be had.
  ec = std::make_error_code(std::errc::not_supported);
#else
  std::filesystem::create_hard_link(source, part, ec);
#endif
  if (ec) std::filesystem::copy_file(source, part, std::filesystem::copy_options::overwrite_existing, ec);
  if (!ec) std::filesystem::rename(part, platform::toPath(to), ec);
  if (ec) std::filesystem::remove(part, ec);
  return !ec && platform::fileExists(to);
}

}  // namespace

DbxMode::DbxMode(StoreConnection connection) : connection_(std::move(connection)) {}

DbxMode::~DbxMode() { release(); }

std::string DbxMode::storeFolderName(int fileIndex, const platform::Stamp& s) {
  return "Tarnwick-Converted-DBX-" + to_string(fileIndex) + "--" + to_string(s.month) + "-" + to_string(s.day) + "-" +
         to_string(s.year) + "--" + to_string(s.hour) + "hr-" + to_string(s.minute) + "m-" + to_string(s.second) + "s";
}

ModeSetup DbxMode::connect(RunContext& run) {
  try {
    if (connection_.initializeThread && !connection_.initializeThread())
      return ModeSetup::failed("COM object Initialization error.", "Could not CoInitialize");
  } catch (...) {
    return ModeSetup::failed({}, "Exception while CoInitialize");
  }
  try {
    namespace_ = connection_.createNamespace ? connection_.createNamespace() : std::make_unique<oe::StoreNamespace>();
    if (!namespace_)
      return ModeSetup::failed("Could not connect with Outlook express", "Could not create connection with Outlook express");
  } catch (...) {
    return ModeSetup::failed({}, "Exception while connecting with Outlook express");
  }
  bool initialized = false;
  try {
    initialized = namespace_->Initialize(nullptr, 0);
  } catch (...) {
    return ModeSetup::failed({}, "Exception while initializing connection with Outlook express");
  }
  if (!initialized) {
    run.showMessage("Could not login to Outlook express", MessageKind::Error);
    namespace_.reset();
    return ModeSetup::failed({}, "Could not Initialize connection with Outlook express");
  }
  return ModeSetup::ready();
}

ModeSetup DbxMode::beginFile(RunContext& run, const FileJob& job) {
  run.log("In SAVEASDBX");
  ModeSetup setup = connect(run);
  if (setup.outcome != ModeSetup::Outcome::Ready) return setup;
  if (run.stopped()) return ModeSetup::stopped();

  folderName_ = storeFolderName(job.index, run.environment().clock());
  oe::FolderId id = 0;
  try {
    bool made = false;
    if (!run.output([&] { made = namespace_->CreateFolder(0, folderName_, 0, id); })) return ModeSetup::stopped();
    if (!made) return ModeSetup::failed("Could not create DBX file.", "Could not create folder in OE");
  } catch (...) {
    return ModeSetup::failed({}, "Exception while creating folder in OE");
  }
  try {
    if (!namespace_->OpenFolder(id, 0, folder_) || !folder_)
      return ModeSetup::failed("Could not open output dbx file", "Could not open folder in OE");
  } catch (...) {
    return ModeSetup::failed({}, "Exception while opening folder in OE");
  }
  return ModeSetup::ready();
}

MailOutcome DbxMode::handleMail(RunContext& run, const FileJob&, int index, bool saved, const std::string& emlPath) {
  if (!saved) {
    run.log("Recovery fails for mail " + to_string(index));
    return MailOutcome::Failed;
  }
  try {
    return import(run, index, emlPath);
  } catch (...) {
    run.logError("Exception while importing and saving mail no : " + to_string(index));
    return MailOutcome::Failed;
  }
}

MailOutcome DbxMode::import(RunContext& run, int index, const std::string& emlPath) {
  const std::string at = emlPath + " at position " + to_string(index);
  std::unique_ptr<oe::MailStream> stream;
  oe::MessageId id = 0;
  if (!folder_->CreateStream(0, 0, stream, id) || !stream) {
    run.log("could not create new mail as " + at);
    return MailOutcome::Skipped;
  }
  std::vector<char> bytes;
  if (!readWhole(emlPath, bytes)) throw std::runtime_error("cannot read " + emlPath);
  std::uint32_t written = 0;
  if (!bytes.empty() && (!stream->Write(bytes.data(), static_cast<std::uint32_t>(bytes.size()), &written) ||
                         written != bytes.size())) {
    run.log("could not write new mail as " + at);
    return MailOutcome::Skipped;
  }
  bool committed = false;
  if (!run.output([&] { committed = folder_->CommitStream(0, 0, 0, *stream, id); })) return MailOutcome::Stopped;
  if (!committed) {
    run.log("could not commit new mail as " + at);
    if (folder_->commitFailure() == oe::CommitFailure::StoreFull)
      run.logError("Mail " + to_string(index) + " refused: the DBX file " + folderName_ + ".dbx would pass 2 GB");
    if (folder_->commitFailure() == oe::CommitFailure::DiskFailed)
      run.logError("Mail " + to_string(index) + " not written: the DBX file " + folderName_ + ".dbx cannot be written");
    return MailOutcome::Skipped;
  }
  stream.reset();
  return run.dropTemporaryMail(emlPath, index) ? MailOutcome::Converted : MailOutcome::Stopped;
}

bool DbxMode::finishMails(RunContext& run, const FileJob& job) {
  if (run.stopped()) return false;
  const bool copied = copyStoreFile(run, job);
  if (!copied || run.stopped()) return false;
  // The file bar goes from 80 to 100 with the file's report, now that the copy is done.
  release();
  return true;
}

bool DbxMode::copyStoreFile(RunContext& run, const FileJob& job) {
  std::string directory;
  bool complete = false;
  if (!run.output([&] { complete = namespace_->GetDirectory(directory, kDirectoryRoom); })) return false;
  const std::string file = platform::pathSeparator() + folderName_ + ".dbx";
  const std::string source = directory + file;
  const std::string destination = job.outputFolder + file;
  if (!complete) {
    // The store file could not be completed: copying it would hand out a broken store.
    run.showMessage("Could not write DBX file.", MessageKind::Error);
    run.logError("Could not complete DBX file " + source);
    return false;
  }
  run.log("copying DBX file from " + source + " to " + destination);
  bool copied = false;
  if (!run.output([&] { copied = copyWhole(source, destination); })) return false;
  if (!copied) {
    // The store's own file goes with the namespace: a copy that failed loses the mails.
    run.showMessage("Could not copy DBX file to " + job.outputFolder, MessageKind::Error);
    run.logError("Could not copy DBX file from " + source + " to " + destination);
  }
  return copied;
}

std::string DbxMode::successLine(const FileJob& job) const {
  return "SAVEASEML convertion Succeeded for file " + job.sourcePath;
}

void DbxMode::endFile(RunContext&, const FileJob&) { release(); }

void DbxMode::release() {
  folder_.reset();
  namespace_.reset();
}

}  // namespace qm::convert
