// What the mail-store component is built from: the store file behind a session and the
// writers behind "save as file". The application registers the real ones at start-up;
// tests hand their own to a session.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>

#include "mailstore/message.h"
#include "mailstore/store_backend.h"

namespace qm::mail {

// Raised by the component's objects when an operation fails; the calling stage catches it.
class ComponentError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Raised when the store file itself can no longer be written (the disk is full, the file
// is gone): nothing more can be saved into that store.
class StoreFailure : public ComponentError {
 public:
  using ComponentError::ComponentError;
};

// Receives the texts of mail content a store left out (an attachment too large for the
// format).
using StoreWarningHandler = std::function<void(const std::string&)>;

// Creates (or opens) the store file at `utf8Path` with that display name. Returns null or
// throws StoreError when it cannot. `warn` may be empty.
using StoreBackendFactory = std::function<std::unique_ptr<StoreBackend>(
    const std::string& utf8Path, const std::u16string& displayName, const StoreWarningHandler& warn)>;

// The integers of the object model.
namespace formats {
constexpr std::int32_t kImportRfc822 = 1024;  // "fill from file": an Internet message (.eml)
constexpr std::int32_t kSaveAsRtf = 1;        // "save as file": rich text
constexpr std::int32_t kSaveAsMsg = 3;        // "save as file": Outlook message file
}  // namespace formats

// Writes one mail as a file of one format (.msg, .rtf).
class MessageFileWriter {
 public:
  virtual ~MessageFileWriter() = default;
  // `received`: the mail is a received, read mail rather than an unsent draft. Throws any
  // std::exception when the file cannot be written.
  virtual void write(const Message& message, bool received, const std::string& utf8Path) const = 0;
};

struct ComponentSetup {
  StoreBackendFactory storeFactory;  // empty: no store can be created
  std::shared_ptr<const MessageFileWriter> msgWriter;
  std::shared_ptr<const MessageFileWriter> rtfWriter;
};

// The process-wide setup that a session made without one takes. Set at start-up, before
// any session exists.
void setPstBackendFactory(StoreBackendFactory factory);
void setMessageFileWriter(std::int32_t format, std::shared_ptr<const MessageFileWriter> writer);
ComponentSetup defaultComponentSetup();

}  // namespace qm::mail
