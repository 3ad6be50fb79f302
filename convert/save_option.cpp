#include "convert/save_option.h"

namespace qm::convert {

bool isSaveOption(std::int32_t value) { return value >= SAVEASDBX && value <= SAVEASRTF; }

std::string saveOptionName(std::int32_t value) {
  switch (value) {
    case SAVEASDBX: return "SAVEASDBX";
    case SAVEASEML: return "SAVEASEML";
    case SAVEASPST: return "SAVEASPST";
    case SAVEASMSG: return "SAVEASMSG";
    case SAVEASRTF: return "SAVEASRTF";
    default: return std::string();
  }
}

std::string typeTag(std::int32_t value) {
  switch (value) {
    case SAVEASEML: return "_As_EML";
    case SAVEASPST: return "_As_PST";
    case SAVEASMSG: return "_As_MSG";
    case SAVEASRTF: return "_As_RTF";
    default: return std::string();
  }
}

int progressScale(std::int32_t value) { return value == SAVEASDBX ? 80 : 100; }

}  // namespace qm::convert
