#include "mailstore/standard_components.h"

#include "mailstore/component_setup.h"
#include "mailstore/msg/msg_writer.h"
#include "mailstore/pst/pst_store.h"

namespace qm::mail {

void useStandardComponents() {
  setPstBackendFactory([](const std::string& path, const std::u16string& displayName,
                          const StoreWarningHandler& warn) {
    return createPstStore(path, displayName, PstStoreOptions{warn});
  });
  setMessageFileWriter(formats::kSaveAsMsg, std::make_shared<msg::MsgFileWriter>());
}

}  // namespace qm::mail
