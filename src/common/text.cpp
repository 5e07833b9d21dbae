#include "common/text.hpp"

#include <array>

#include "common/error.hpp"

namespace korvax::text {

namespace {

// Decodes one UTF-8 sequence at s[i]; advances i.
char32_t Decode(std::string_view s, size_t& i) {
  const auto b0 = static_cast<unsigned char>(s[i]);
  if (b0 < 0x80) {
    ++i;
    return b0;
  }
  int extra = 0;
  char32_t c = 0;
  if ((b0 & 0xE0) == 0xC0) {
    extra = 1;
    c = b0 & 0x1F;
  } else if ((b0 & 0xF0) == 0xE0) {
    extra = 2;
    c = b0 & 0x0F;
  } else if ((b0 & 0xF8) == 0xF0) {
    extra = 3;
    c = b0 & 0x07;
  } else {
    ++i;
    return 0xFFFD;
  }
  if (i + extra >= s.size()) {  // truncated sequence
    ++i;
    return 0xFFFD;
  }
  for (int k = 1; k <= extra; ++k) {
    const auto b = static_cast<unsigned char>(s[i + k]);
    if ((b & 0xC0) != 0x80) {
      ++i;
      return 0xFFFD;
    }
    c = (c << 6) | (b & 0x3F);
  }
  i += extra + 1;
  return c;
}

// An ASCII byte is always a character of its own: no sequence, valid or
// not, reaches over it. Runs of them are counted without decoding.
bool AsciiByte(char c) {
  return static_cast<unsigned char>(c) < 0x80;
}

// Byte offset of the character with 0-based index n (s.size() past the end).
size_t ByteOffset(std::string_view s, int n) {
  size_t i = 0;
  while (n > 0 && i < s.size()) {
    if (AsciiByte(s[i])) {
      ++i;
    } else {
      Decode(s, i);
    }
    --n;
  }
  return i;
}

}  // namespace

std::u32string ToU32(std::string_view utf8) {
  std::u32string out(utf8.size(), U'\0');  // never more characters than bytes
  char32_t* p = out.data();
  size_t i = 0;
  while (i < utf8.size()) {
    if (AsciiByte(utf8[i])) {
      *p++ = static_cast<unsigned char>(utf8[i++]);
    } else {
      *p++ = Decode(utf8, i);
    }
  }
  out.resize(static_cast<size_t>(p - out.data()));
  return out;
}

namespace {

// Writes c's UTF-8 bytes at p; returns the end. Code points beyond U+10FFFF
// keep the four-byte pattern with their bits cut to fit.
char* Encode(char32_t c, char* p) {
  if (c < 0x80) {
    *p++ = static_cast<char>(c);
  } else if (c < 0x800) {
    *p++ = static_cast<char>(0xC0 | (c >> 6));
    *p++ = static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    *p++ = static_cast<char>(0xE0 | (c >> 12));
    *p++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    *p++ = static_cast<char>(0x80 | (c & 0x3F));
  } else {
    *p++ = static_cast<char>(0xF0 | (c >> 18));
    *p++ = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    *p++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    *p++ = static_cast<char>(0x80 | (c & 0x3F));
  }
  return p;
}

size_t EncodedSize(char32_t c) {
  return c < 0x80 ? 1 : c < 0x800 ? 2 : c < 0x10000 ? 3 : 4;
}

}  // namespace

void AppendUtf8(std::string& out, char32_t c) {
  char bytes[4];
  out.append(bytes, Encode(c, bytes));
}

std::string ToUtf8(char32_t c) {
  std::string out;
  AppendUtf8(out, c);
  return out;
}

std::string ToUtf8(std::u32string_view chars) {
  size_t size = 0;
  for (char32_t c : chars) size += EncodedSize(c);
  std::string out(size, '\0');
  char* p = out.data();
  for (char32_t c : chars) p = Encode(c, p);
  return out;
}

bool IsAscii(std::string_view s) {
  for (char c : s) {
    if (!AsciiByte(c)) return false;
  }
  return true;
}

int Len(std::string_view s) {
  int n = 0;
  size_t i = 0;
  while (i < s.size()) {
    if (AsciiByte(s[i])) {
      ++i;
    } else {
      Decode(s, i);
    }
    ++n;
  }
  return n;
}

std::string Left(std::string_view s, int n) {
  if (n < 0) throw errors::InvalidProcedureCall();
  return std::string(s.substr(0, ByteOffset(s, n)));
}

std::string WithoutLast(std::string_view s, int n) {
  // n ASCII bytes at the end are the last n characters.
  if (n >= 0 && s.size() >= static_cast<size_t>(n) && IsAscii(s.substr(s.size() - n))) {
    return std::string(s.substr(0, s.size() - n));
  }
  return Left(s, Len(s) - n);
}

std::string Right(std::string_view s, int n) {
  if (n < 0) throw errors::InvalidProcedureCall();
  const int len = Len(s);
  if (n >= len) return std::string(s);
  return std::string(s.substr(ByteOffset(s, len - n)));
}

std::string Mid(std::string_view s, int start) {
  if (start < 1) throw errors::InvalidProcedureCall();
  return std::string(s.substr(ByteOffset(s, start - 1)));
}

std::string Mid(std::string_view s, int start, int length) {
  if (start < 1 || length < 0) throw errors::InvalidProcedureCall();
  const size_t from = ByteOffset(s, start - 1);
  const std::string_view rest = s.substr(from);
  return std::string(rest.substr(0, ByteOffset(rest, length)));
}

int InStr(std::string_view s, std::string_view find, int start) {
  if (start < 1) throw errors::InvalidProcedureCall();
  const size_t from = ByteOffset(s, start - 1);
  if (from > s.size()) return 0;
  const size_t at = s.find(find, from);
  if (at == std::string_view::npos) return 0;
  return Len(s.substr(0, at)) + 1;
}

std::string Trim(std::string_view s) {
  size_t a = 0;
  size_t b = s.size();
  while (a < b && s[a] == ' ') ++a;
  while (b > a && s[b - 1] == ' ') --b;
  return std::string(s.substr(a, b - a));
}

std::string Replace(std::string_view s, std::string_view find, std::string_view with) {
  if (find.empty()) return std::string(s);
  size_t at = s.find(find);
  std::string out;
  size_t i = 0;
  while (at != std::string_view::npos) {
    out.append(s.substr(i, at - i));
    out.append(with);
    i = at + find.size();
    at = s.find(find, i);
  }
  out.append(s.substr(i));
  return out;
}

std::string Chr(char32_t c) {
  return ToUtf8(c);
}

std::string Utf8ToCp1252(std::string_view utf8) {
  // Code points of 0x80..0x9F in Windows-1252; 0 where the byte is unassigned.
  static constexpr std::array<char32_t, 32> kHigh = {
      0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
      0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
      0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};
  std::string out;
  out.reserve(utf8.size());
  size_t i = 0;
  while (i < utf8.size()) {
    const char32_t c = Decode(utf8, i);
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
      out.push_back(static_cast<char>(c));
      continue;
    }
    char byte = '?';
    for (size_t k = 0; k < kHigh.size(); ++k) {
      if (kHigh[k] != 0 && kHigh[k] == c) byte = static_cast<char>(0x80 + k);
    }
    out.push_back(byte);
  }
  return out;
}

}  // namespace korvax::text
