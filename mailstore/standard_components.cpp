#include "mailstore/standard_components.h"

#include "mailstore/component_setup.h"
#include "mailstore/msg/msg_writer.h"
#include "mailstore/pst/pst_store.h"
#include "mailstore/rtf/rtf_mail.h"

namespace qm::mail {

void useStandardComponents() {
  setPstBackendFactory([](const std::string& path, const std::u16string& displayName,
                          const StoreWarningHandler& warn) {
    return createPstStore(path, displayName, PstStoreOptions{warn});
  });
  setMessageFileWriter(formats::kSaveAsMsg, std::make_shared<msg::MsgFileWriter>());
  setMessageFileWriter(formats::kSaveAsRtf, std::make_shared<rtf::RtfMailWriter>());
}

}  // namespace qm::mail
