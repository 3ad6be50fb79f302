// The time-stamped destination folder that Browse makes inside the folder the user chose;
// the command line makes the same folder the same way.
#pragma once

#include <string>

#include "platform/clock.h"

namespace qm::convert {

// "Tarnwick_Converted_DBX_(DATE=<month>-<day>-<year>)_(TIME=<h>hr.<m>m.<s>s)".
std::string stampedFolderName(const platform::Stamp& stamp);

// The chosen folder + separator + the stamped name; a chosen folder that already ends with
// a separator (a drive's root) gets no second one.
std::string stampedDestination(const std::string& chosenFolder, const platform::Stamp& stamp);

// Makes the destination folder (one level; its parent is the chosen folder). When a folder
// of that name exists already (a second Browse within the same second), the plain files
// directly inside it are deleted and the folder is kept; its subfolders, which hold the
// output of an earlier run, are never deleted. Returns whether the folder exists afterwards.
bool prepareDestination(const std::string& destination);

}  // namespace qm::convert
