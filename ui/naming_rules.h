// What the Save As dialog knows about output folder names, apart from any window: the
// preview text, the checks on the counter and the folder tag, and how the counter text
// becomes a number.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace qm::ui {

// The parts of an output folder name as the dialog shows them.
struct NamingParts {
  bool useCounter = true;
  bool useFolderTag = true;
  bool useFileName = true;
  bool useTypeTag = true;
  std::string counter = "1";
  std::string folderTag = "Converted";
  std::string fileName = "FileName";
  std::string typeTag = "As_TYPE";
};

// "As_EML", "As_PST", "As_MSG", "As_RTF"; "As_TYPE" for any other value.
std::string namingTypeTag(std::int32_t saveOption);

// Puts a space before the character at positions 0, step, 2*step... of text, counted in the
// text as it grows, unless that character is a space already; so the preview static breaks
// its lines there.
std::string spacedEvery(std::string text, std::size_t step);

// The two preview lines: the destination prefix (the destination and a backslash) and the
// name of a source file's folder, each spaced for the preview static.
std::string namingPreview(const std::string& prefix, const NamingParts& parts);

inline constexpr std::size_t kCounterMaxDigits = 5;
inline constexpr std::size_t kFolderTagMaxChars = 50;

// A counter text the dialog keeps: digits only, at most five of them (empty is allowed).
enum class CounterCheck { Accepted, NotDigits, TooLong };
CounterCheck checkCounter(const std::string& text);

// A folder tag the dialog keeps: none of \ / : * ? " < > |, no "..", which would lead out
// of the destination, and at most 50 characters.
enum class FolderTagCheck { Accepted, ForbiddenCharacter, ParentFolder, TooLong };
FolderTagCheck checkFolderTag(const std::string& text);

// The counter text read as the C library's atoi reads it: "007" gives 7, "" gives 0.
std::int32_t counterValue(const std::string& text);

// Characters of a UTF-8 text (code points, not bytes).
std::size_t characterCount(const std::string& utf8);

}  // namespace qm::ui
