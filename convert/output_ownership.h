// Which files in an output folder a conversion of ours wrote there: the only files a run
// ever deletes from a folder it did not make.
#pragma once

#include <cstdint>
#include <string>

namespace qm::convert {

// Whether `name`, an entry directly in a source file's output folder, is one of the names the
// output kind writes for that file (or the partial file of one):
//   EML  <title>_NNNNNN.eml, title being the file name without its last four characters
//   PST  Converted_<base name>.pst
//   MSG  Converted_msg_NNNNNN.msg
//   RTF  Converted_msg_NNNNNN.rtf, and the attachment folder Converted_msg_NNNNNN
//   DBX  Tarnwick-Converted-DBX-<stamp>.dbx
// NNNNNN is six digits or more.
bool isOutputName(std::int32_t saveOption, const std::string& fileName, const std::string& name);
// Whether `name` is a folder the output kind makes inside its output folder (the RTF kind's
// attachment folders); the files in such a folder are the attachments of one mail.
bool isOutputFolderName(std::int32_t saveOption, const std::string& name);

// The engine's title for a source file: its name without the last four characters.
std::string mailFileTitle(const std::string& fileName);

}  // namespace qm::convert
