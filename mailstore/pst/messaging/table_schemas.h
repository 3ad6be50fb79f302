// Columns of the tables a store holds, in Outlook's layout order (MS-PST 2.4.4.5, 2.4.4.6,
// 2.4.4.7, 2.4.8.6.2, 2.4.6.1.2 and the templates of 2.4.3).
#pragma once

#include "mailstore/pst/ltp/tc_builder.h"

namespace qm::pst::schemas {

extern const TableSchema kHierarchy;
extern const TableSchema kContents;
extern const TableSchema kAssocContents;
extern const TableSchema kSearchContents;
extern const TableSchema kReceiveFolder;
extern const TableSchema kOutgoingQueue;
extern const TableSchema kAttachments;
extern const TableSchema kRecipients;
extern const TableSchema kContentsIndex;
extern const TableSchema kSearchIndex;
extern const TableSchema kAttachmentIndex;

}  // namespace qm::pst::schemas
