// Checks the message files a conversion wrote against the store they came from: each mail
// the engine writes from the store, read by the MIME reader, must be in the file of its
// number, sound by our checker, and the same to every independent reader.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "mailstore/message.h"
#include "tests/convert/pst_read_back.h"

namespace qm::convert::test {

// The output folder holds exactly one Converted_msg_NNNNNN.msg per mail, no partial file,
// each sound, and every reader sees the mail in it. `work` is an empty folder for the readers.
void expectMessageFiles(const std::string& folder, const std::vector<std::pair<int, mail::Message>>& mails,
                        const std::string& work);

// Our checker's findings on one file, our own writer's strictness included.
std::vector<std::string> messageFileProblems(const std::string& path);

// Runs the independent readers on the files and compares them with the mails; the
// readers' differences, empty when they all agree (or cannot run here).
std::string readBackMessageFiles(const std::vector<std::pair<std::string, const mail::Message*>>& files,
                                 const std::string& work);

}  // namespace qm::convert::test
