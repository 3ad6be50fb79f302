#include "mailstore/component_setup.h"

#include <mutex>

namespace qm::mail {

namespace {

std::mutex& setupMutex() {
  static std::mutex m;
  return m;
}

ComponentSetup& processSetup() {
  static ComponentSetup setup;
  return setup;
}

}  // namespace

void setPstBackendFactory(StoreBackendFactory factory) {
  std::lock_guard<std::mutex> lock(setupMutex());
  processSetup().storeFactory = std::move(factory);
}

void setMessageFileWriter(std::int32_t format, std::shared_ptr<const MessageFileWriter> writer) {
  std::lock_guard<std::mutex> lock(setupMutex());
  if (format == formats::kSaveAsMsg) processSetup().msgWriter = std::move(writer);
  else if (format == formats::kSaveAsRtf) processSetup().rtfWriter = std::move(writer);
}

ComponentSetup defaultComponentSetup() {
  std::lock_guard<std::mutex> lock(setupMutex());
  return processSetup();
}

}  // namespace qm::mail
