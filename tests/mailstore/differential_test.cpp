// The corpus read by our reader and by python3's email package (policy=default).
#include <gtest/gtest.h>

#include "tests/mailstore/corpus_support.h"
#include "tests/mailstore/python_comparison.h"

namespace {

// Where we read a mail differently from python3 on purpose.
const std::vector<qm::test::KnownDifference> kKnown = {
    {"address-lists.eml", "recipients",
     "an address with a comment and no display name (\"carol@example.com (Carol Clark)\") "
     "shows the comment as its name, as the mail programs of the time did; python3 drops it"},
    {"encoded-words.eml", "from",
     "RFC 2047 section 6.2: blanks between adjacent encoded words are dropped; python3 keeps "
     "them in display names"},
    {"charset-missing-8bit.eml", "subject",
     "raw 8-bit header bytes that are not UTF-8 are read as windows-1252; python3 puts U+FFFD"},
    {"charset-unknown.eml", "subject",
     "an encoded word in an unknown charset is read as windows-1252; python3 puts U+FFFD"},
    {"transfer-encodings.eml", "text",
     "RFC 2045 section 6.7 rule 3: blanks at the end of a quoted-printable line are deleted; "
     "python3 keeps them"},
    {"malformed-wrong-boundary.eml", "text",
     "the boundary the body really uses is found when the declared one never appears; "
     "python3 reads no parts"},
    {"malformed-wrong-boundary.eml", "attachments", "as for the text"},
};

TEST(MimeDifferential, CorpusReadsAsPythonReadsIt) {
  if (!qm::test::pythonAvailable()) GTEST_SKIP() << "python3 with its email package is not available here";
  qm::test::compareWithPython(qm::test::corpusMails(), kKnown);
}

}  // namespace
