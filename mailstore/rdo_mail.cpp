// Mails and their attachments.
#include <memory>

#include "mailstore/attachment_name.h"
#include "mailstore/mime/mime_reader.h"
#include "mailstore/rdo_objects.h"
#include "mailstore/store_context.h"
#include "mailstore/whole_file.h"
#include "platform/charset.h"

namespace qm::mail {

RDOMail::RDOMail(std::shared_ptr<StoreContext> context, FolderId folder)
    : context_(std::move(context)), folder_(folder), message_(std::make_shared<Message>()) {}

void RDOMail::importFile(const std::string& utf8Path, std::int32_t format) {
  if (format != formats::kImportRfc822) {
    throw ComponentError("cannot fill a mail from a file of format " + std::to_string(format));
  }
  std::optional<Message> read = guarded("reading a mail", [&] { return readMimeFile(utf8Path); });
  if (!read) throw ComponentError("cannot read " + utf8Path);
  // A fresh object: attachments handed out before keep the content they were made from.
  message_ = std::make_shared<Message>(std::move(*read));
  savedUnchanged_ = false;
}

void RDOMail::setReceived(bool received) {
  if (received != received_) savedUnchanged_ = false;
  received_ = received;
}

void RDOMail::setUnread(bool unread) {
  message_->unread = unread;
  savedUnchanged_ = false;
}

void RDOMail::setFlagged(bool flagged) {
  message_->flagged = flagged;
  savedUnchanged_ = false;
}

void RDOMail::setReceivedTime(UnixTime time) {
  message_->receivedTime = time;
  savedUnchanged_ = false;
}

void RDOMail::save() {
  if (savedUnchanged_) return;
  // The store can add mails but not replace one it holds.
  if (everSaved_) throw ComponentError("a mail saved into the store cannot be changed there");
  storeGuarded("saving a mail", [&] { context_->backend->addMessage(folder_, *message_, received_); });
  everSaved_ = true;
  savedUnchanged_ = true;
}

void RDOMail::saveAs(const std::string& utf8Path, std::int32_t format) {
  std::shared_ptr<const MessageFileWriter> writer;
  const char* kind = nullptr;
  if (format == formats::kSaveAsMsg) {
    writer = context_->setup.msgWriter;
    kind = ".msg";
  } else if (format == formats::kSaveAsRtf) {
    writer = context_->setup.rtfWriter;
    kind = ".rtf";
  } else {
    throw ComponentError("cannot save a mail as a file of format " + std::to_string(format));
  }
  if (!writer) throw ComponentError(std::string("no writer for ") + kind + " files is available");
  guarded("saving a mail as a file", [&] { writer->write(*message_, received_, utf8Path); });
}

std::shared_ptr<RDOAttachments> RDOMail::attachments() {
  return std::make_shared<RDOAttachments>(message_);
}

RDOAttachments::RDOAttachments(std::shared_ptr<const Message> message) : message_(std::move(message)) {}

std::int32_t RDOAttachments::count() const {
  return static_cast<std::int32_t>(message_->attachments.size());
}

std::shared_ptr<RDOAttachment> RDOAttachments::item(std::int32_t index) const {
  if (index < 1 || index > count()) return nullptr;
  return std::make_shared<RDOAttachment>(message_, static_cast<std::size_t>(index) - 1);
}

RDOAttachment::RDOAttachment(std::shared_ptr<const Message> message, std::size_t index)
    : message_(std::move(message)), index_(index) {}

std::string RDOAttachment::fileName() const {
  return platform::utf16ToUtf8(safeAttachmentFileName(message_->attachments[index_], index_ + 1));
}

void RDOAttachment::saveAsFile(const std::string& utf8Path) const {
  const Attachment& a = message_->attachments[index_];
  const std::vector<std::uint8_t>& bytes = a.embedded ? a.embeddedSource : a.data;
  writeWholeFile(utf8Path, bytes.data(), bytes.size());
}

}  // namespace qm::mail
