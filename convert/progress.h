// The progress arithmetic of a run: exact integer forms of trunc(x / y * scale), so that
// 29 of 100 mails show 29 and never 28 through a rounding of the division.
#pragma once

namespace qm::convert {

// The file bar after mail `mailIndex` (0-based) of `mailCount`, on the mode's scale.
int filePercent(int mailIndex, int mailCount, int scale);

// The overall bar after mail `mailIndex` of `mailCount` in file `fileIndex` of `fileCount`:
// the share of this file's slice trunc(scale / fileCount), plus the files before it.
int overallPercent(int mailIndex, int mailCount, int scale, int fileIndex, int fileCount);

// The overall bar once file `fileIndex` (0-based) of `fileCount` is done.
int filesDonePercent(int fileIndex, int fileCount);

}  // namespace qm::convert
