#include "TextCase.h"

#ifdef _WIN32
#include <windows.h>
#endif
#include <locale.h>
#include <clocale>
#include <cstdint>
#include <cwctype>

namespace platform {
namespace {

constexpr char32_t kInvalid = 0xFFFFFFFF;

// Decodes one UTF-8 sequence at text[pos]; returns kInvalid and length 1 for a
// byte that does not start a valid sequence.
char32_t DecodeUtf8(std::string_view text, std::size_t pos, std::size_t& length) {
    const auto lead = static_cast<unsigned char>(text[pos]);
    length = 1;
    if (lead < 0x80) {
        return lead;
    }
    std::size_t need = 0;
    char32_t cp = 0;
    if ((lead & 0xE0) == 0xC0) {
        need = 1;
        cp = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
        need = 2;
        cp = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
        need = 3;
        cp = lead & 0x07;
    } else {
        return kInvalid;
    }
    if (pos + need >= text.size()) {
        return kInvalid;
    }
    for (std::size_t i = 1; i <= need; ++i) {
        const auto next = static_cast<unsigned char>(text[pos + i]);
        if ((next & 0xC0) != 0x80) {
            return kInvalid;
        }
        cp = (cp << 6) | (next & 0x3F);
    }
    static constexpr char32_t kMinimum[] = {0, 0x80, 0x800, 0x10000};
    if (cp < kMinimum[need] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        return kInvalid;
    }
    length = need + 1;
    return cp;
}

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

#ifdef _WIN32
char32_t LowerCodePoint(char32_t cp) {
    if (cp < 0x80) {
        return (cp >= 'A' && cp <= 'Z') ? cp + ('a' - 'A') : cp;
    }
    if (cp > 0xFFFF) {
        return cp;
    }
    // The system's own table, which its file names are compared by.
    wchar_t unit = static_cast<wchar_t>(cp);
    ::CharLowerBuffW(&unit, 1);
    return static_cast<char32_t>(unit);
}
#else
// The C library's Unicode case table, independent of the process locale.
locale_t UnicodeLocale() {
    static const locale_t locale = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(0));
    return locale;
}

char32_t LowerCodePoint(char32_t cp) {
    if (cp < 0x80) {
        return (cp >= 'A' && cp <= 'Z') ? cp + ('a' - 'A') : cp;
    }
    const locale_t locale = UnicodeLocale();
    if (locale == static_cast<locale_t>(0)) {
        return cp;
    }
    return static_cast<char32_t>(towlower_l(static_cast<wint_t>(cp), locale));
}
#endif

// Decodes the next character of a name for comparison: folded code point, or
// for an invalid byte a value outside Unicode that still compares exactly.
char32_t NextFolded(std::string_view text, std::size_t& pos) {
    std::size_t length = 0;
    const char32_t cp = DecodeUtf8(text, pos, length);
    const char32_t folded =
        cp == kInvalid ? 0x110000 + static_cast<unsigned char>(text[pos]) : LowerCodePoint(cp);
    pos += length;
    return folded;
}

}  // namespace

std::string LowerCase(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t pos = 0; pos < text.size();) {
        std::size_t length = 0;
        const char32_t cp = DecodeUtf8(text, pos, length);
        if (cp == kInvalid) {
            out += text[pos];
        } else {
            AppendUtf8(out, LowerCodePoint(cp));
        }
        pos += length;
    }
    return out;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < a.size() && j < b.size()) {
        if (NextFolded(a, i) != NextFolded(b, j)) {
            return false;
        }
    }
    return i == a.size() && j == b.size();
}

bool WildcardMatch(std::string_view pattern, std::string_view name) {
    if (pattern == "*.*" || pattern == "*") {
        return true;
    }
    std::u32string pat;
    std::u32string str;
    for (std::size_t pos = 0; pos < pattern.size();) {
        pat += NextFolded(pattern, pos);
    }
    for (std::size_t pos = 0; pos < name.size();) {
        str += NextFolded(name, pos);
    }
    // Iterative glob with single-star backtracking.
    std::size_t p = 0;
    std::size_t s = 0;
    std::size_t starP = std::u32string::npos;
    std::size_t starS = 0;
    while (s < str.size()) {
        if (p < pat.size() && (pat[p] == U'?' || pat[p] == str[s])) {
            ++p;
            ++s;
        } else if (p < pat.size() && pat[p] == U'*') {
            starP = p++;
            starS = s;
        } else if (starP != std::u32string::npos) {
            p = starP + 1;
            s = ++starS;
        } else {
            return false;
        }
    }
    while (p < pat.size() && pat[p] == U'*') {
        ++p;
    }
    return p == pat.size();
}

}  // namespace platform
