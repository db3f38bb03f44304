#include "StringConv.h"
#include <windows.h>
#include <cctype>

namespace {

std::wstring ToWide(UINT codePage, const std::string& text)
{
    if (text.empty())
        return std::wstring();
    const int size = static_cast<int>(text.size());
    const int chars = ::MultiByteToWideChar(codePage, 0, text.data(), size, nullptr, 0);
    if (chars <= 0)
        return std::wstring();
    std::wstring wide(static_cast<size_t>(chars), L'\0');
    ::MultiByteToWideChar(codePage, 0, text.data(), size, &wide[0], chars);
    return wide;
}

} // namespace

std::wstring WideFromAnsi(const std::string& text)
{
    return ToWide(CP_ACP, text);
}

std::wstring WideFromUtf8(const std::string& text)
{
    return ToWide(CP_UTF8, text);
}

std::string Utf8FromWide(const std::wstring& text)
{
    if (text.empty())
        return std::string();
    const int size = static_cast<int>(text.size());
    const int bytes = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0)
        return std::string();
    std::string utf8(static_cast<size_t>(bytes), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.data(), size, &utf8[0], bytes, nullptr, nullptr);
    return utf8;
}

std::string Utf8FromAnsi(const std::string& text)
{
    return Utf8FromWide(WideFromAnsi(text));
}

bool AnsiFromWideExact(const std::wstring& text, std::string* ansi)
{
    ansi->clear();
    if (text.empty())
        return true;
    const int size = static_cast<int>(text.size());
    BOOL lossy = FALSE;
    const int bytes = ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.data(), size, nullptr, 0, nullptr,
                                            &lossy);
    if (bytes <= 0 || lossy)
        return false;
    std::string result(static_cast<size_t>(bytes), '\0');
    ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.data(), size, &result[0], bytes, nullptr, &lossy);
    // A round trip guards against code pages whose conversion drops or
    // substitutes without saying so.
    if (lossy || WideFromAnsi(result) != text)
        return false;
    *ansi = result;
    return true;
}

bool AnsiFromUtf8Exact(const std::string& text, std::string* ansi)
{
    return AnsiFromWideExact(WideFromUtf8(text), ansi);
}

bool SameTextIgnoringCase(const std::string& a, const char* b)
{
    size_t i = 0;
    for (; i < a.size() && b[i]; ++i) {
        if (std::toupper(static_cast<unsigned char>(a[i])) != std::toupper(static_cast<unsigned char>(b[i])))
            return false;
    }
    return i == a.size() && b[i] == '\0';
}
