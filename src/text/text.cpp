#include "text/text.h"

namespace text {

std::string cutToLimit(std::string_view s) {
    return std::string(s.substr(0, characterBoundary(s, kTextLimit)));
}

std::size_t characterBoundary(std::string_view s, std::size_t at) {
    if (at >= s.size()) return s.size();
    while (at > 0 && (static_cast<unsigned char>(s[at]) & 0xC0) == 0x80) --at;
    return at;
}

std::string unsignedDecimalText(std::uint32_t v) {
    // Filled from the end; one string made at once (a File-mode run writes
    // one of these per row, millions of times).
    char digits[10];
    char* first = digits + sizeof digits;
    do {
        *--first = static_cast<char>('0' + v % 10);
        v /= 10;
    } while (v != 0);
    return std::string(first, static_cast<std::size_t>(digits + sizeof digits - first));
}

std::string decimalText(std::int32_t v) {
    if (v >= 0) return unsignedDecimalText(static_cast<std::uint32_t>(v));
    // Negate in unsigned arithmetic so that -2147483648 has a magnitude too.
    // (Appended rather than "-" + text: GCC 12 at -O3 warns falsely on that.)
    std::string result = "-";
    result += unsignedDecimalText(0u - static_cast<std::uint32_t>(v));
    return result;
}

std::uint32_t decimalValue(std::string_view digits) {
    std::uint32_t value = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') break;
        value = value * 10 + static_cast<std::uint32_t>(c - '0');
    }
    return value;
}

std::string hexText(std::uint32_t v) {
    static const char kDigits[] = "0123456789ABCDEF";
    std::string result(8, '0');
    for (int i = 7; i >= 0; --i) {
        result[static_cast<std::size_t>(i)] = kDigits[v & 0xF];
        v >>= 4;
    }
    return result;
}

std::string rightText(std::string_view s, std::size_t n) {
    if (n >= s.size()) return std::string(s);
    return std::string(s.substr(s.size() - n));
}

std::string folderOf(std::string_view path, char separator) {
    std::size_t last = path.rfind(separator);
    if (last == std::string_view::npos) return std::string(path);
    return std::string(path.substr(0, last + 1));
}

std::string fileNameOf(std::string_view path, char separator) {
    std::size_t last = path.rfind(separator);
    if (last == std::string_view::npos) return std::string(path);
    return std::string(path.substr(last + 1));
}

std::string withTrailingBackslash(std::string_view folder, char separator) {
    std::string result(folder);
    if (result.empty() || result.back() != separator) result += separator;
    return result;
}

}  // namespace text
