// The system converter on Windows: MultiByteToWideChar with the code page of the charset.
#include <windows.h>

#include <array>
#include <string>

#include "platform/charset.h"
#include "platform/charset_codecs.h"

namespace qm::platform::codecs {

namespace {

struct CodePage {
  std::string_view canonical;
  UINT codePage;
};

constexpr std::array kCodePages{
    CodePage{"windows-1250", 1250}, CodePage{"windows-1251", 1251},
    CodePage{"windows-1253", 1253}, CodePage{"windows-1254", 1254},
    CodePage{"windows-1255", 1255}, CodePage{"windows-1256", 1256},
    CodePage{"windows-1257", 1257}, CodePage{"windows-1258", 1258},
    CodePage{"iso-8859-2", 28592},  CodePage{"iso-8859-3", 28593},
    CodePage{"iso-8859-4", 28594},  CodePage{"iso-8859-5", 28595},
    CodePage{"iso-8859-6", 28596},  CodePage{"iso-8859-7", 28597},
    CodePage{"iso-8859-8", 28598},  CodePage{"iso-8859-8-i", 28598},
    CodePage{"iso-8859-9", 28599},  CodePage{"iso-8859-13", 28603},
    CodePage{"iso-8859-15", 28605}, CodePage{"koi8-r", 20866},
    CodePage{"koi8-u", 21866},      CodePage{"cp437", 437},
    CodePage{"cp850", 850},         CodePage{"cp852", 852},
    CodePage{"cp866", 866},         CodePage{"shift_jis", 932},
    CodePage{"gbk", 936},           CodePage{"cp949", 949},
    CodePage{"euc-kr", 949},        CodePage{"big5", 950},
    CodePage{"euc-jp", 20932},      CodePage{"iso-2022-jp", 20932},
    CodePage{"gb18030", 54936},     CodePage{"macintosh", 10000},
    CodePage{"windows-874", 874},
};

UINT codePageOf(std::string_view canonical) {
  for (const CodePage& c : kCodePages) {
    if (c.canonical == canonical) return c.codePage;
  }
  return 0;
}

bool convertStrict(UINT cp, const char* p, int n, std::u16string& out) {
  const int units = MultiByteToWideChar(cp, MB_ERR_INVALID_CHARS, p, n, nullptr, 0);
  if (units <= 0) return false;
  const std::size_t start = out.size();
  out.resize(start + static_cast<std::size_t>(units));
  MultiByteToWideChar(cp, MB_ERR_INVALID_CHARS, p, n, reinterpret_cast<wchar_t*>(out.data() + start),
                      units);
  return true;
}

}  // namespace

bool systemKnows(std::string_view canonical) {
  const UINT cp = codePageOf(canonical);
  return cp != 0 && IsValidCodePage(cp);
}

bool appendSystem(std::string_view canonical, std::string_view bytes, std::u16string& out) {
  if (!systemKnows(canonical)) return false;
  // ISO-2022-JP goes through EUC-JP: not every Windows (nor Wine) converts code page 50220.
  if (canonical == "iso-2022-jp") return appendSystem("euc-jp", iso2022JpToEucJp(bytes), out);
  const UINT cp = codePageOf(canonical);
  if (bytes.empty()) return true;
  // Whole lines are converted strictly where they can be, so that a bad byte costs only its
  // own line the careful treatment below.
  std::size_t start = 0;
  while (start < bytes.size()) {
    std::size_t end = bytes.find('\n', start);
    end = end == std::string_view::npos ? bytes.size() : end + 1;
    const std::string_view line = bytes.substr(start, end - start);
    if (!convertStrict(cp, line.data(), static_cast<int>(line.size()), out)) {
      // Byte by byte: the longest valid sequence at each point, or the byte as windows-1252.
      std::size_t i = 0;
      while (i < line.size()) {
        std::size_t len = 1;
        bool done = false;
        for (; len <= 4 && i + len <= line.size() && !done; ++len) {
          done = convertStrict(cp, line.data() + i, static_cast<int>(len), out);
        }
        if (done) {
          i += len - 1;
        } else {
          out.push_back(windows1252Char(static_cast<unsigned char>(line[i])));
          ++i;
        }
      }
    }
    start = end;
  }
  return true;
}

}  // namespace qm::platform::codecs
