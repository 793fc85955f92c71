// Conversions between UTF-16 and the 8-bit forms the launcher uses.
#pragma once

#include <string>

// The code page of the file APIs: ANSI when AreFileApisANSI says so, else OEM.
unsigned fileApiCodePage();

// UTF-16 to the file-API code page with "?" as default character; `lossy` (optional) tells
// whether the default character was needed.
std::string toFileApiString(const std::wstring& text, bool* lossy = nullptr);

// The file-API code page to UTF-16.
std::wstring fromFileApiString(const std::string& text);

// Byte-by-byte widening (each byte becomes the UTF-16 unit of the same value), as the C runtime
// does in its default locale; used for configuration values and 8-bit message arguments.
std::wstring widenBytes(const std::string& text);

// Lower-cases the letters A to Z only, as the C runtime's default locale does.
template <typename Text>
void lowerAsciiLetters(Text& text) {
    for (auto& ch : text)
        if (ch >= 'A' && ch <= 'Z') ch = static_cast<typename Text::value_type>(ch - 'A' + 'a');
}
