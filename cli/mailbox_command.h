// A whole Outlook Express store folder in one step:
//   quillmend convert --mailbox DIR --to pst|eml|mbox -d DEST   the tree, the mails and their state
//   quillmend list --mailbox DIR                                  the tree with each folder's mails
#pragma once

#include "cli/command.h"

// True when the convert arguments ask for a whole mailbox.
bool asksForMailbox(const CommandArgs& args);

int runMailboxConvert(const CommandArgs& args, std::ostream& out, std::ostream& err);
int runMailboxList(const CommandArgs& args, std::ostream& out, std::ostream& err);
