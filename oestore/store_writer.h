// Writes a new Outlook Express message store: the file header and file info, one message
// info record per mail, each mail's text in chained 528-byte blocks, and the index tree over
// the records. Mails are added one at a time; finish() makes the file a complete store and
// may be called again after more mails. Nothing is read back: the layout is kept in memory
// (a few bytes per mail), the segments being filled are written when full.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "oestore/message_info.h"
#include "oestore/store_space.h"
#include "platform/files.h"

namespace oe {

struct StoreOptions {
  std::string folderName;       // kept in the file info
  std::uint32_t folderId = 0;   // the folder's id in the folder list
  std::uint64_t limit = kStoreLimit;  // the file never grows past this
};

enum class AddResult {
  Added,
  Empty,        // a mail needs at least one byte of text
  TooLarge,     // the store would pass its size limit; nothing was added
  IdTaken,      // the id asked for is not above every id in the store
  WriteFailed,  // the disk refused; the store is no longer written
};

class MessageStoreWriter {
 public:
  // Creates (or truncates) the file; null when it cannot be created.
  static std::unique_ptr<MessageStoreWriter> create(const std::string& path, StoreOptions options);
  ~MessageStoreWriter();
  MessageStoreWriter(const MessageStoreWriter&) = delete;
  MessageStoreWriter& operator=(const MessageStoreWriter&) = delete;

  // Adds a mail with the record fields `info`. Its id is info.id when that is set (it must
  // be above every id in the store), else the next one; the id is returned in `id`. The
  // first block is given here.
  AddResult addMail(std::string_view text, MessageInfo info, std::uint32_t& id);
  // Writes what is held in memory, the index tree, the header and the reserve: afterwards
  // the file is a complete store of every mail added. False when the disk refused.
  bool finish();
  // Closes the file (finishing it first unless that was done since the last mail).
  bool close();

  std::uint32_t mailCount() const { return static_cast<std::uint32_t>(records_.size()); }
  const std::string& path() const { return path_; }

 private:
  MessageStoreWriter(std::string path, std::FILE* file, StoreOptions options);
  bool writeAt(std::uint64_t offset, const std::uint8_t* data, std::size_t size);
  // Writes a segment's in-memory image at its place in the file and clears the image.
  bool flushSegment(const Segment& segment, std::vector<std::uint8_t>& image);
  void place(std::vector<std::uint8_t>& image, const Segment& segment, std::uint64_t at,
             const std::uint8_t* data, std::size_t size);
  std::vector<std::uint8_t> header(std::uint64_t treeStart, std::uint64_t nodes, std::uint32_t root) const;

  std::string path_;
  std::unique_ptr<std::FILE, qm::platform::FileCloser> file_;
  StoreOptions options_;
  StoreSpace space_;
  std::vector<std::uint8_t> variableImage_;
  std::vector<std::uint8_t> messageImage_;
  std::vector<std::uint32_t> records_;  // record offsets in id order
  std::uint64_t recordBytes_ = 0;
  std::uint64_t blockCount_ = 0;
  std::uint32_t lastId_ = kEmptyLastId;
  bool failed_ = false;
  bool finished_ = false;
};

}  // namespace oe
