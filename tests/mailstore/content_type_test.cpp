#include "mailstore/mime/content_type.h"

#include <gtest/gtest.h>

#include "tests/mailstore/message_dump.h"

namespace {

using namespace qm::mail::mime;

std::string paramAsText(const ParameterizedValue& v, const char* name) {
  std::vector<std::string> charsets;
  CharsetLog log(charsets);
  const MimeParam* p = v.param(name);
  return p ? qm::test::utf8(paramText(*p, log)) : "(absent)";
}

TEST(ContentType, TypeSubtypeAndParametersAreRead) {
  const ContentType ct = parseContentType(
      "Multipart/Mixed; BOUNDARY=\"=_a;b \\\"c\\\"\"; charset=us-ascii (Plain text)", "text", "plain");
  EXPECT_EQ(ct.mimeType(), "multipart/mixed");
  EXPECT_EQ(ct.value.paramValue("boundary"), "=_a;b \"c\"");
  EXPECT_EQ(ct.value.paramValue("charset"), "us-ascii");
}

TEST(ContentType, AnUnusableTypeGivesTheFallbackAndKeepsItsParameters) {
  for (const char* value : {"", "text", "/plain", "image/", "; charset=koi8-r"}) {
    const ContentType ct = parseContentType(value, "message", "rfc822");
    EXPECT_EQ(ct.mimeType(), "message/rfc822") << value;
  }
  EXPECT_EQ(parseContentType("text; charset=koi8-r", "text", "plain").value.paramValue("charset"), "koi8-r");
}

TEST(ContentType, CarelessValuesAreStillRead) {
  // An unquoted value with blanks, a missing closing quote, an empty parameter.
  EXPECT_EQ(paramAsText(parseParameterizedValue("attachment; filename=my report.doc"), "filename"), "my report.doc");
  EXPECT_EQ(paramAsText(parseParameterizedValue("attachment; filename=\"open.txt"), "filename"), "open.txt");
  const ParameterizedValue v = parseParameterizedValue("inline;; junk; size=12");
  EXPECT_EQ(v.token, "inline");
  EXPECT_EQ(v.paramValue("size"), "12");
}

TEST(Rfc2231, SectionsAreJoinedInOrderWithCharsetAndLanguage) {
  // Sections out of order, extended and plain ones mixed (RFC 2231 section 4.1).
  const ParameterizedValue v = parseParameterizedValue(
      "attachment; filename*1=\" und \"; filename*2*=%C3%BCbel.txt;"
      " filename*0*=utf-8'de'%C3%84pfel");
  EXPECT_EQ(paramAsText(v, "filename"), "Äpfel und übel.txt");
  EXPECT_EQ(v.param("filename")->charset, "utf-8");
}

TEST(Rfc2231, ASingleExtendedValueAndAPlainOneOfTheSameName) {
  const ParameterizedValue v =
      parseParameterizedValue("attachment; filename=\"fallback.txt\"; filename*=iso-8859-1''%E9t%E9.txt");
  EXPECT_EQ(paramAsText(v, "filename"), "été.txt") << "the RFC 2231 form is the precise one";
  EXPECT_EQ(paramAsText(parseParameterizedValue("x; name*=''plain%20name"), "name"), "plain name");
  EXPECT_EQ(paramAsText(parseParameterizedValue("x; name*=no-quotes%21"), "name"), "no-quotes!");
}

TEST(Rfc2231, EncodedWordsInPlainValuesAreDecoded) {
  EXPECT_EQ(paramAsText(parseParameterizedValue("x; name=\"=?koi8-r?B?8NLJ18XU?=.txt\""), "name"), "Привет.txt");
}

}  // namespace
