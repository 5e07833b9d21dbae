// Text as a user sees it: positions and lengths count characters, not bytes.
// Strings are UTF-8 throughout; positions are 1-based as in the classic
// runtime (Mid, InStr), so "ä" and "€" count as one character each.
#pragma once

#include <string>
#include <string_view>

namespace korvax::text {

std::u32string ToU32(std::string_view utf8);  // invalid bytes become U+FFFD
std::string ToUtf8(std::u32string_view chars);
std::string ToUtf8(char32_t c);
void AppendUtf8(std::string& out, char32_t c);  // c's UTF-8 bytes added to out

int Len(std::string_view s);                                          // characters
std::string Left(std::string_view s, int n);                          // first n characters
std::string Right(std::string_view s, int n);                         // last n characters
std::string Mid(std::string_view s, int start);                       // from position start on
std::string Mid(std::string_view s, int start, int length);           // Mid(s, 15, 8)
int InStr(std::string_view s, std::string_view find, int start = 1);  // 0 when absent
std::string Trim(std::string_view s);                                 // blanks only, as Trim$
std::string Replace(std::string_view s, std::string_view find, std::string_view with);
std::string Chr(char32_t c);

// Bytes below 0x80 only, so one byte per character.
bool IsAscii(std::string_view s);
// All but the last n characters, Left(s, Len(s) - n), failing as that does.
std::string WithoutLast(std::string_view s, int n);

// Windows-1252, the 8-bit code page of the log. Characters outside it become '?'.
std::string Utf8ToCp1252(std::string_view utf8);

}  // namespace korvax::text
