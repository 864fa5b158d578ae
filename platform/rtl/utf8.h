#pragma once
// UTF-8 code-point helpers. Nothing is refused: a byte that does not belong to a well-formed UTF-8
// sequence (stray continuation bytes, cut or overlong sequences, surrogates, values past U+10FFFF)
// stands for itself as a Latin-1 code point, so device traffic with stray bytes still shows, and valid
// text round-trips byte for byte. Every helper below splits a string the same way.

#include <cstddef>
#include <string>
#include <string_view>

namespace lab {

// The code points of S.
std::u32string Utf8Decode(std::string_view S);
// Appends the code points of S to Out.
void Utf8DecodeAppend(std::string_view S, std::u32string& Out);

// UTF-8 of S. A value that no UTF-8 can carry (a surrogate, or past U+10FFFF) becomes U+FFFD.
std::string Utf8Encode(std::u32string_view S);
// Appends the UTF-8 of C to Out, as Utf8Encode does.
void Utf8Append(std::string& Out, char32_t C);

// Whether every byte of S belongs to a well-formed sequence (no byte stands for itself).
bool Utf8WellFormed(std::string_view S);

// Number of code points in S.
std::size_t Utf8Length(std::string_view S);
// Byte offset of code point N (0-based); S.size() when S has N code points or fewer.
std::size_t Utf8Offset(std::string_view S, std::size_t N);

// Byte offset of the code point after the one at Offset; S.size() at or past the end.
std::size_t Utf8Next(std::string_view S, std::size_t Offset);
// Byte offset of the code point before Offset; 0 at the start.
std::size_t Utf8Prev(std::string_view S, std::size_t Offset);
// The code point at Offset and, in Length when given, its size in bytes; 0 (length 0) past the end.
char32_t Utf8At(std::string_view S, std::size_t Offset, std::size_t* Length = nullptr);

}  // namespace lab
