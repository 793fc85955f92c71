#include "textconv.h"

#include <windows.h>

unsigned fileApiCodePage() { return AreFileApisANSI() ? CP_ACP : CP_OEMCP; }

std::string toFileApiString(const std::wstring& text, bool* lossy) {
    BOOL usedDefault = FALSE;
    std::string out;
    if (!text.empty()) {
        const UINT page = fileApiCodePage();
        const int size = WideCharToMultiByte(page, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, "?",
                                             &usedDefault);
        out.resize(size > 0 ? size : 0);
        if (size > 0)
            WideCharToMultiByte(page, 0, text.data(), static_cast<int>(text.size()), out.data(), size, "?",
                                &usedDefault);
    }
    if (lossy) *lossy = usedDefault != FALSE;
    return out;
}

std::wstring fromFileApiString(const std::string& text) {
    std::wstring out;
    if (text.empty()) return out;
    const UINT page = fileApiCodePage();
    const int size = MultiByteToWideChar(page, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    out.resize(size > 0 ? size : 0);
    if (size > 0) MultiByteToWideChar(page, 0, text.data(), static_cast<int>(text.size()), out.data(), size);
    return out;
}

std::wstring widenBytes(const std::string& text) {
    std::wstring out;
    out.reserve(text.size());
    for (char ch : text) out.push_back(static_cast<unsigned char>(ch));
    return out;
}
