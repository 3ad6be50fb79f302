// HTML mail rendered as rich text: paragraphs and line breaks, bold, italic and underline,
// headings, lists with their bullets or numbers, links as HYPERLINK fields, table cells as
// text separated by tabs, one row a paragraph. Nothing of the markup itself reaches the
// document; script and style are left out.
#pragma once

#include <string_view>

#include "mailstore/rtf/rtf_text.h"

namespace qm::mail::rtf {

// Writes the rendered HTML into `out` (font 0, colour 2 for links). Groups opened for the
// HTML are closed again at its end, whatever the HTML left open.
void renderHtml(std::u16string_view html, RtfText& out);

}  // namespace qm::mail::rtf
