// Conversions between UTF-16 (what Windows' wide functions take), UTF-8 and
// the ANSI code page, in the manner of the classic CA2W / CW2A helpers.
#pragma once
#include <string>

std::wstring WideFromAnsi(const std::string& text);
std::wstring WideFromUtf8(const std::string& text);
std::string Utf8FromWide(const std::wstring& text);
std::string Utf8FromAnsi(const std::string& text);

// The text in the ANSI code page, exactly: false when any character has no
// exact counterpart there (no best-fit replacements, no '?'), so that a path
// converted this way names the same file or is refused.
bool AnsiFromWideExact(const std::wstring& text, std::string* ansi);
bool AnsiFromUtf8Exact(const std::string& text, std::string* ansi);

// The two texts are the same, ASCII letters compared without their case
// ("apm" is "APM").
bool SameTextIgnoringCase(const std::string& a, const char* b);
