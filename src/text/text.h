// Number, text and path routines shared by every layer. Pure functions.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace text {

// Every text the program builds lives in a 600-byte buffer: 599 characters
// and the NUL. Longer texts are cut.
constexpr std::size_t kTextLimit = 599;
std::string cutToLimit(std::string_view s);
// The largest cut at or below `at` that falls between two UTF-8 characters
// (a cut inside one would leave bytes that name nothing).
std::size_t characterBoundary(std::string_view s, std::size_t at);

// Signed 32-bit decimal: "0", a leading "-" for negative values, no leading zeros.
std::string decimalText(std::int32_t v);
// The number a text of decimal digits spells; reading stops at the first
// character that is not a digit; 0 for an empty text. Wraps like the 32-bit
// word it is held in.
std::uint32_t decimalValue(std::string_view digits);
// Unsigned 32-bit decimal without leading zeros, every later zero kept.
std::string unsignedDecimalText(std::uint32_t v);
// Exactly 8 uppercase hexadecimal digits.
std::string hexText(std::uint32_t v);
// The last n characters of s (all of s when n is larger).
std::string rightText(std::string_view s, std::size_t n);

// Path routines. The separator is a parameter so that the same rules serve
// "\" on Windows and "/" on POSIX.
// The folder of a path, up to and including its last separator; a path
// without a separator, or an empty one, stays as it is.
std::string folderOf(std::string_view path, char separator = '\\');
// The part after the last separator (a one-letter name too: taking the
// whole path instead would aim a move at a path inside the move folder);
// a path without a separator is all name.
std::string fileNameOf(std::string_view path, char separator = '\\');
// The folder with one separator at its end; an empty folder becomes the separator.
std::string withTrailingBackslash(std::string_view folder, char separator = '\\');

}  // namespace text
