#include "oestore/store_namespace.h"

#include <atomic>
#include <chrono>
#include <mutex>
#include <random>

#include "oestore/mail_summary.h"
#include "platform/files.h"

namespace oe {

namespace {

namespace fs = qm::platform;

// Folder ids as the folder list hands them out to folders the user makes.
constexpr FolderId kFirstUserFolder = 9;
std::atomic<FolderId> nextFolderId{kFirstUserFolder};

std::mutex directoryMutex;
int namespacesOpen = 0;  // under directoryMutex

std::string makeDirectoryName() {
  std::random_device random;
  for (int attempt = 0;; ++attempt) {
    const std::string path = fs::tempFolder() + "Quillmend Store " + std::to_string(random() % 1000000000u);
    if (fs::createDirectory(path) || attempt > 100) return path;
  }
}

bool isFileName(const std::string& name) {
  if (name.empty() || name == "." || name == "..") return false;
  for (const char c : name)
    if (c == '/' || c == '\\' || c == ':' || c == '*' || c == '?' || c == '"' || c == '<' || c == '>' || c == '|' ||
        static_cast<unsigned char>(c) < 0x20)
      return false;
  return true;
}

std::uint64_t fileTimeNow() {
  const auto now = std::chrono::system_clock::now().time_since_epoch();
  return fileTimeOf(std::chrono::duration_cast<std::chrono::seconds>(now).count());
}

}  // namespace

std::string storeDirectory() {
  static const std::string directory = makeDirectoryName();
  return directory;
}

bool MailStream::Write(const void* data, std::uint32_t size, std::uint32_t* written) {
  text_.append(static_cast<const char*>(data), size);
  if (written) *written = size;
  return true;
}

StoreFolder::StoreFolder(std::shared_ptr<MessageStoreWriter> writer, std::uint64_t runTime)
    : writer_(std::move(writer)), runTime_(runTime), nextId_(kFirstMailId + writer_->mailCount()) {}

bool StoreFolder::CreateStream(std::uint32_t, std::uint32_t, std::unique_ptr<MailStream>& stream, MessageId& id) {
  stream = std::make_unique<MailStream>();
  id = nextId_++;
  return true;
}

bool StoreFolder::CommitStream(std::uint32_t, std::uint32_t, std::uint32_t messageFlags, MailStream& stream,
                               MessageId id) {
  MessageInfo info = summarizeMail(stream.text(), runTime_, messageFlags);
  info.id = id;
  std::uint32_t stored = 0;
  switch (writer_->addMail(stream.text(), info, stored)) {
    case AddResult::Added: failure_ = CommitFailure::None; return true;
    case AddResult::Empty: failure_ = CommitFailure::Empty; return false;
    case AddResult::TooLarge: failure_ = CommitFailure::StoreFull; return false;
    case AddResult::WriteFailed: failure_ = CommitFailure::DiskFailed; return false;
    case AddResult::IdTaken: failure_ = CommitFailure::IdTaken; return false;
  }
  return false;
}

StoreNamespace::~StoreNamespace() {
  for (auto& [id, folder] : folders_) {
    folder.writer->close();
    fs::deleteFile(folder.path);
  }
  if (!initialized_) return;
  std::lock_guard<std::mutex> lock(directoryMutex);
  if (--namespacesOpen == 0) fs::removeDirectory(storeDirectory());  // only when empty
}

bool StoreNamespace::Initialize(const void*, std::uint32_t) {
  if (initialized_) return true;
  std::lock_guard<std::mutex> lock(directoryMutex);
  const std::string directory = storeDirectory();
  if (!fs::isDirectory(directory) && !fs::createDirectory(directory)) return false;
  ++namespacesOpen;
  initialized_ = true;
  runTime_ = fileTimeNow();
  return true;
}

bool StoreNamespace::CreateFolder(FolderId parent, const std::string& name, std::uint32_t, FolderId& id) {
  if (!initialized_ || parent != 0 || !isFileName(name)) return false;
  const std::string path = storeDirectory() + fs::pathSeparator() + name + ".dbx";
  if (fs::fileExists(path)) return false;
  StoreOptions options;
  options.folderName = name;
  options.folderId = nextFolderId++;
  options.limit = limit_;
  std::shared_ptr<MessageStoreWriter> writer = MessageStoreWriter::create(path, options);
  if (!writer) return false;
  if (!writer->finish()) {
    writer->close();
    fs::deleteFile(path);
    return false;
  }
  id = options.folderId;
  folders_[id] = {path, std::move(writer)};
  return true;
}

bool StoreNamespace::OpenFolder(FolderId id, std::uint32_t, std::unique_ptr<StoreFolder>& folder) {
  const auto it = folders_.find(id);
  if (!initialized_ || it == folders_.end()) return false;
  folder = std::make_unique<StoreFolder>(it->second.writer, runTime_);
  return true;
}

bool StoreNamespace::GetDirectory(std::string& directory, std::size_t room) {
  if (!initialized_) return false;
  bool complete = true;
  for (auto& [id, folder] : folders_) complete = folder.writer->finish() && complete;
  directory = storeDirectory();
  return complete && directory.size() < room;
}

}  // namespace oe
