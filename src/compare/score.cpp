#include "compare/score.h"

#include <cstring>

#include "core/app_state.h"
#include "text/text.h"

namespace compare {
namespace {

constexpr std::uint32_t kExactUpTo = 50'000;

// Appends to a fixed buffer that is known to be large enough.
struct Composer {
    char* at;

    void put(std::string_view s) {
        std::memcpy(at, s.data(), s.size());
        at += s.size();
    }
    void put(char c) { *at++ = c; }

    // The control bytes as the last two digits of their hexText and "h".
    void putByte(std::uint8_t b) {
        static const char kHex[] = "0123456789ABCDEF";
        if (b < 32) {
            put(kHex[b >> 4]);
            put(kHex[b & 0xF]);
            put('h');
        } else {
            put('"');
            put(static_cast<char>(b));
            put('"');
        }
    }

    void putRunBytes(const std::uint8_t* bytes, std::uint32_t n) {
        const void* nul = std::memchr(bytes, 0, n);
        std::size_t kept = nul ? static_cast<std::size_t>(static_cast<const std::uint8_t*>(nul) - bytes) : n;
        put('"');
        put(std::string_view(reinterpret_cast<const char*>(bytes), kept));
        put('"');
    }
};

}  // namespace

std::uint32_t similarityPercent(std::uint32_t total, std::uint32_t differing) {
    if (total == 0) return 0;
    if (differing > total) differing = total;
    std::uint32_t t = total;
    std::uint32_t d = differing;
    if (total > kExactUpTo) {
        t = total >> 10;
        d = differing >> 10;
    }
    std::uint32_t p = (t - d) * 100 / t;
    if (p == 100 && differing != 0) p = 99;
    return p;
}

std::uint64_t firstUnlistedCount(std::uint32_t total, std::uint32_t listedFrom) {
    // The score never rises as the differing count grows, so the counts that
    // fall below listedFrom form one stretch up to total; find where it begins.
    std::uint64_t low = 0;
    std::uint64_t high = std::uint64_t{total} + 1;  // "none" until proven otherwise
    while (low < high) {
        std::uint64_t middle = low + (high - low) / 2;
        if (similarityPercent(total, static_cast<std::uint32_t>(middle)) < listedFrom)
            high = middle;
        else
            low = middle + 1;
    }
    return low;
}

std::string byteText(std::uint8_t b) {
    char text[3];
    Composer out{text};
    out.putByte(b);
    return std::string(text, sizeof text);
}

std::string runBytesText(const std::uint8_t* bytes, std::uint32_t n) {
    char text[kShownRunBytes + 2];
    if (n > kShownRunBytes) n = kShownRunBytes;
    Composer out{text};
    out.putRunBytes(bytes, n);
    return std::string(text, static_cast<std::size_t>(out.at - text));
}

std::string_view differenceDetails(const std::uint8_t* bytesA, const std::uint8_t* bytesB,
                                   std::uint32_t runLength, DetailsBuffer& buffer) {
    if (runLength >= kDifferentFrom) return "Different";
    Composer out{buffer.text};
    out.put("File A is ");
    if (runLength == 1) {
        out.putByte(*bytesA);
        out.put(", File B is ");
        out.putByte(*bytesB);
    } else {
        std::uint32_t n = runLength < kShownRunBytes ? runLength : kShownRunBytes;
        out.putRunBytes(bytesA, n);
        out.put(", File B is ");
        out.putRunBytes(bytesB, n);
    }
    return std::string_view(buffer.text, static_cast<std::size_t>(out.at - buffer.text));
}

std::string differenceDetails(const std::uint8_t* bytesA, const std::uint8_t* bytesB, std::uint32_t runLength) {
    DetailsBuffer buffer;
    return std::string(differenceDetails(bytesA, bytesB, runLength, buffer));
}

std::string verdictText(std::uint32_t runState, std::uint32_t largerSize, std::uint32_t diffTotal) {
    if (runState == core::run_state::kFault) return "Fault";
    if (runState == core::run_state::kOpenError) return "Error opening file";
    if (diffTotal == 0) return "Same";
    auto percent = static_cast<std::int32_t>(similarityPercent(largerSize, diffTotal));
    return "Files have " + text::decimalText(percent) + "% in common";
}

}  // namespace compare
