// Address lists (RFC 5322 section 3.4) as mail software actually wrote them: groups,
// comments, quoted and encoded display names, route addresses, missing brackets.
#pragma once

#include <string_view>
#include <vector>

#include "mailstore/message.h"
#include "mailstore/mime/header_text.h"

namespace qm::mail::mime {

// The mailboxes of an unfolded address-list value, groups flattened into their members.
// An address written with no display name but with a comment ("joe@x.org (Joe Bloggs)",
// the old style) takes the comment as its display name.
std::vector<Address> parseAddressList(std::string_view unfolded, CharsetLog& log);

}  // namespace qm::mail::mime
