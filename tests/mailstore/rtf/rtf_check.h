// Structural checks of rich-text output that need no word processor.
#pragma once

#include <string>

namespace qm::mail::rtf {

// What is wrong with the document's structure; empty when nothing: every group closed, none
// closed too often, 7-bit bytes only (all else escaped).
std::string rtfProblems(const std::string& rtf);

// The deepest group nesting in the document.
int groupDepth(const std::string& rtf);

// The document as unrtf renders it in HTML, for its structure (bold runs, links, breaks):
// unrtf cannot read \uN text. Empty where unrtf is not installed.
std::string unrtfHtml(const std::string& path);

}  // namespace qm::mail::rtf
