#include "removal/totals.h"
#include "shell/settings.h"
#include "support/world.h"
#include <gtest/gtest.h>
#include <limits>

namespace quillon {
namespace {

class TotalsTest : public ::testing::Test {
  protected:
    int64_t stored(const char* key) const {
        return SettingsStore::Main().readInteger("Quillon", key, -1);
    }
    test::TestWorld world;
};

TEST_F(TotalsTest, FirstDeleteStartsTheCountAndLaterOnesAdd) {
    const DateTime first = EncodeDateTime(2026, 12, 9, 14, 30);
    {
        test::FixedClock clock(first);
        AddDeleteTotals(3, 1500, 0, 0);
    }
    EXPECT_EQ(stored("Ndelete"), 3);
    EXPECT_EQ(stored("SizeDelete"), 1500);
    EXPECT_EQ(stored("NWaste"), 0);
    EXPECT_EQ(stored("SizeWaste"), 0);
    EXPECT_EQ(stored("DelDate"), DayNumber(first));
    EXPECT_EQ(stored("ZipDate"), -1) << "deleting says nothing about zipping";

    {
        test::FixedClock clock(EncodeDateTime(2027, 1, 20, 8, 0));
        AddDeleteTotals(2, 500, 4, 4000);
    }
    EXPECT_EQ(stored("Ndelete"), 5);
    EXPECT_EQ(stored("SizeDelete"), 2000);
    EXPECT_EQ(stored("NWaste"), 4);
    EXPECT_EQ(stored("SizeWaste"), 4000);
    EXPECT_EQ(stored("DelDate"), DayNumber(first)) << "the start date is written once";
}

TEST_F(TotalsTest, ZeroAndNegativeStoredValuesCountAsNothing) {
    // The totals page resets every key to -1; a hand-edited file may hold anything.
    SettingsStore::Main().writeKeys("Quillon", {{"NZip", "-1"},
                                                {"SizeZip", "-250"},
                                                {"ZipDate", "-1"},
                                                {"Ndelete", "0"},
                                                {"SizeDelete", "junk"}});
    const DateTime today = EncodeDateTime(2026, 6, 1, 12, 0);
    test::FixedClock clock(today);
    AddZipTotals(2, 300);
    EXPECT_EQ(stored("NZip"), 2);
    EXPECT_EQ(stored("SizeZip"), 300);
    EXPECT_EQ(stored("ZipDate"), DayNumber(today));
    EXPECT_EQ(stored("DelDate"), -1);
    AddDeleteTotals(1, 10, 0, 0);
    EXPECT_EQ(stored("Ndelete"), 1);
    EXPECT_EQ(stored("SizeDelete"), 10);
}

TEST_F(TotalsTest, SumsGoPast32Bits) {
    SettingsStore::Main().writeKeys(
        "Quillon", {{"NZip", "2147483647"},
                    {"SizeZip", "3000000000"},
                    {"ZipDate", "46000"},
                    {"SizeWaste", std::to_string(std::numeric_limits<int64_t>::max() - 5)}});
    AddZipTotals(1, 2000000000);
    EXPECT_EQ(stored("NZip"), 2147483648LL);
    EXPECT_EQ(stored("SizeZip"), 5000000000LL);
    EXPECT_EQ(stored("ZipDate"), 46000);
    // A total that no longer fits stays at the largest value instead of turning negative.
    AddDeleteTotals(0, 0, 1, 100);
    EXPECT_EQ(stored("SizeWaste"), std::numeric_limits<int64_t>::max());
}

TEST_F(TotalsTest, ReadBackAndResetInOneWrite) {
    EXPECT_EQ(ReadSavingsTotals().nDelete, -1);
    EXPECT_EQ(ReadSavingsTotals().zipDate, -1);
    {
        test::FixedClock clock(EncodeDateTime(2026, 3, 4, 5, 6));
        AddDeleteTotals(1234, 5678901, 2, 6000000000LL);
        AddZipTotals(7, 70);
    }
    SettingsStore::Main().writeKeys("Quillon", {{"ZipDate", "junk"}});
    const SavingsTotals read = ReadSavingsTotals();
    EXPECT_EQ(read.nDelete, 1234);
    EXPECT_EQ(read.sizeDelete, 5678901);
    EXPECT_EQ(read.nWaste, 2);
    EXPECT_EQ(read.sizeWaste, 6000000000LL);
    EXPECT_EQ(read.delDate, DayNumber(EncodeDateTime(2026, 3, 4)));
    EXPECT_EQ(read.nZip, 7);
    EXPECT_EQ(read.sizeZip, 70);
    EXPECT_EQ(read.zipDate, -1) << "a value that is no number reads as absent";

    ResetSavingsTotals();
    for (const char* key : {"Ndelete", "SizeDelete", "NWaste", "SizeWaste", "DelDate", "NZip",
                            "SizeZip", "ZipDate"})
        EXPECT_EQ(stored(key), -1) << key;
    AddZipTotals(1, 5);
    EXPECT_EQ(ReadSavingsTotals().nZip, 1) << "counting starts afresh";
}

} // namespace
} // namespace quillon
