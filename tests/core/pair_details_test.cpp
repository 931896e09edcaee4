#include "core/pair_details.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "support/temp_folder.h"

namespace {

using testing_support::TempFolder;

void addPair(core::ResultList& list, const std::string& a, const std::string& b, const std::string& percent) {
    int row = list.insertRow(-1, a);
    list.setCell(row, 1, b);
    list.setCell(row, 2, percent);
}

TEST(PairDetails, GivesUpAfterAHundredRows) {
    TempFolder folder;
    std::string a = folder.write("a", "x"), b = folder.write("b", "x");
    for (int failing : {99, 100}) {
        core::ResultList list;
        for (int i = 0; i < failing; ++i) addPair(list, folder.pathOf("gone"), b, "100");
        addPair(list, a, b, "100");
        int row = 0;
        EXPECT_EQ(core::findPairDetails(list, row).has_value(), failing < core::kDetailRowsTried) << failing;
    }
}

TEST(PairDetails, SizesKeepAllSixtyFourBits) {
    TempFolder folder;
    std::string huge = folder.pathOf("huge");
    std::ofstream(huge).close();
    std::filesystem::resize_file(huge, (5ull << 30) + 7);  // sparse: no disk is used
    core::ResultList list;
    addPair(list, huge, huge, "100");
    int row = 0;
    std::optional<core::PairDetails> pair = core::findPairDetails(list, row);
    ASSERT_TRUE(pair.has_value());
    EXPECT_EQ(pair->fileA.size, (5ull << 30) + 7);
}

}  // namespace
