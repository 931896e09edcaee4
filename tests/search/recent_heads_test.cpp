#include "search/recent_heads.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace search {
namespace {

std::string bytesFor(std::uint32_t entry, std::size_t size) {
    std::string s(size, '\0');
    for (std::size_t k = 0; k < size; ++k) s[k] = static_cast<char>(entry * 31 + k * 7);
    return s;
}

// Whatever it still finds is exactly what was kept for that file, the
// latest copy is always found, and it never holds more than its budget.
TEST(RecentHeads, FindsOnlyIntactCopiesOverManyRounds) {
    for (std::size_t capacity : {1u, 24u, 100u, 1000u}) {
        std::mt19937 random(static_cast<unsigned>(capacity));
        RecentHeads heads(capacity);
        std::vector<std::size_t> sizeOf;
        for (std::uint32_t entry = 0; entry < 2000; ++entry) {
            std::size_t size = 1 + random() % (capacity / 3 + 2);
            sizeOf.push_back(size);
            std::string bytes = bytesFor(entry, size);
            heads.keep(entry, reinterpret_cast<const std::uint8_t*>(bytes.data()), size);
            if (size <= capacity) {
                ASSERT_NE(heads.find(entry), nullptr) << "entry " << entry;
            }
            std::size_t held = 0;
            for (std::uint32_t earlier = 0; earlier <= entry; ++earlier) {
                const std::uint8_t* found = heads.find(earlier);
                if (!found) continue;
                held += sizeOf[earlier];
                ASSERT_EQ(std::memcmp(found, bytesFor(earlier, sizeOf[earlier]).data(), sizeOf[earlier]), 0)
                    << "entry " << earlier << " overwritten, found after keeping " << entry << ", capacity " << capacity;
            }
            ASSERT_LE(held, capacity);
        }
    }
}

TEST(RecentHeads, NothingKeptWithoutBudgetOrForEmptyCopies) {
    RecentHeads none(0);
    const std::uint8_t byte = 1;
    none.keep(1, &byte, 1);
    EXPECT_EQ(none.find(1), nullptr);
    RecentHeads some(10);
    some.keep(2, &byte, 0);
    EXPECT_EQ(some.find(2), nullptr);
}

}  // namespace
}  // namespace search
