// The time-stamped destination folder that Browse makes inside the folder the user chose;
// the command line makes the same folder the same way.
#pragma once

#include <optional>
#include <string>

#include "platform/clock.h"

namespace qm::convert {

// "Tarnwick_Converted_DBX_(DATE=<month>-<day>-<year>)_(TIME=<h>hr.<m>m.<s>s)".
std::string stampedFolderName(const platform::Stamp& stamp);

// The chosen folder + separator + the stamped name; a chosen folder that already ends with
// a separator (a drive's root) gets no second one.
std::string stampedDestination(const std::string& chosenFolder, const platform::Stamp& stamp);

// Makes the destination folder (one level; its parent is the chosen folder). A folder of
// that name that exists already (a second Browse within the same second) is used as it is:
// no run writes files directly into a destination, so nothing in it is a run's to delete.
// Returns whether the folder exists afterwards.
bool prepareDestination(const std::string& destination);

// Makes a new folder: `path`, or the first of path_2, path_3... that does not exist yet.
// Nothing when none can be made (the parent is missing).
std::optional<std::string> makeNewFolder(const std::string& path);

}  // namespace qm::convert
