#include "quoted.h"

#include <cstdio>

namespace qdrpack {

namespace {

void appendEscaped(std::string& out, const char* format, unsigned value) {
    char text[16];
    std::snprintf(text, sizeof text, format, value);
    out += text;
}

// Appends one code point, escaping what a terminal would act on.
void appendCodePoint(std::string& out, char32_t code) {
    switch (code) {
        case '"':
            out += "\\\"";
            return;
        case '\\':
            out += "\\\\";
            return;
        case '\n':
            out += "\\n";
            return;
        case '\r':
            out += "\\r";
            return;
        case '\t':
            out += "\\t";
            return;
        default:
            break;
    }
    if (code < 0x20 || (code >= 0x7F && code < 0xA0)) return appendEscaped(out, "\\x%02X", code);
    if (code < 0x80) {
        out.push_back(static_cast<char>(code));
    } else if (code < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (code >> 6)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else if (code < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (code >> 12)));
        out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (code >> 18)));
        out.push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    }
}

// Length of the well-formed UTF-8 sequence at `at` (shortest form, no surrogates), or 0.
std::size_t utf8Sequence(const std::string& bytes, std::size_t at, char32_t& code) {
    const unsigned char lead = static_cast<unsigned char>(bytes[at]);
    const std::size_t length = lead < 0x80                   ? 1
                               : lead >= 0xC2 && lead < 0xE0 ? 2
                               : lead >= 0xE0 && lead < 0xF0 ? 3
                               : lead >= 0xF0 && lead < 0xF5 ? 4
                                                             : 0;
    if (length == 0 || at + length > bytes.size()) return 0;
    code = length == 1 ? lead : lead & (0x7F >> length);
    for (std::size_t k = 1; k < length; ++k) {
        const unsigned char next = static_cast<unsigned char>(bytes[at + k]);
        if ((next & 0xC0) != 0x80) return 0;
        code = (code << 6) | (next & 0x3F);
    }
    constexpr char32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (code < kSmallest[length] || code > 0x10FFFF || (code >= 0xD800 && code < 0xE000)) return 0;
    return length;
}

}  // namespace

std::string quoted(const std::string& bytes) {
    std::string out = "\"";
    for (std::size_t i = 0; i < bytes.size();) {
        char32_t code = 0;
        if (const std::size_t length = utf8Sequence(bytes, i, code)) {
            appendCodePoint(out, code);
            i += length;
        } else {
            appendEscaped(out, "\\x%02X", static_cast<unsigned char>(bytes[i++]));
        }
    }
    return out + "\"";
}

std::string quoted(const std::u16string& text) {
    std::string out = "\"";
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t unit = text[i];
        const bool high = unit >= 0xD800 && unit < 0xDC00;
        if (high && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] < 0xE000) {
            appendCodePoint(out, 0x10000 + ((unit - 0xD800) << 10) + (text[++i] - 0xDC00));
        } else if (unit >= 0xD800 && unit < 0xE000) {
            appendEscaped(out, "\\u%04X", unit);
        } else {
            appendCodePoint(out, unit);
        }
    }
    return out + "\"";
}

}  // namespace qdrpack
