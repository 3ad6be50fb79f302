// The output kinds that are built, by their SaveOption value.
#include "convert/dbx_mode.h"
#include "convert/eml_mode.h"
#include "convert/msg_mode.h"
#include "convert/pst_mode.h"
#include "convert/rtf_mode.h"
#include "convert/save_option.h"

namespace qm::convert {

std::unique_ptr<OutputMode> makeOutputMode(std::int32_t saveOption) {
  switch (saveOption) {
    case SAVEASDBX: return std::make_unique<DbxMode>();
    case SAVEASEML: return std::make_unique<EmlMode>();
    case SAVEASPST: return std::make_unique<PstMode>();
    case SAVEASMSG: return std::make_unique<MsgMode>();
    case SAVEASRTF: return std::make_unique<RtfMode>();
    default: return nullptr;
  }
}

}  // namespace qm::convert
