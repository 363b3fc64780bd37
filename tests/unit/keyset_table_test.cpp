#include "mapper/model/keyset_table.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

namespace {

std::unique_ptr<KeySetTable> MakeTable() {
    auto table = std::make_unique<KeySetTable>();
    ClearKeySetTable(*table);
    return table;
}

// Fills set `set` with a recognisable name and key codes base+slot*2+key.
void FillSet(KeySetTable& table, int set, const char* name, int base) {
    std::strcpy(table.Names[set], name);
    for (int slot = 0; slot < kInputCount; ++slot) {
        for (int key = 0; key < kKeysPerInput; ++key) {
            table.Keys[set][slot][key] = base + slot * 2 + key;
        }
    }
}

int32_t Key(const KeySetTable& table, int set, int slot, int key) {
    return table.Keys[set][slot][key].load();
}

TEST(KeySetTable, DeleteMovesLaterSetsDownAndNewSetReusesTheVacatedRow) {
    auto table = MakeTable();
    FillSet(*table, 0, "X", 100);
    FillSet(*table, 1, "Y", 200);
    FillSet(*table, 2, "Z", 300);
    table->SetKeyCount = 2;
    SelectSet(*table, 0);

    DeleteSet(*table);
    EXPECT_EQ(table->SetKeyCount, 1);
    EXPECT_EQ(table->ActiveSet, 0);
    EXPECT_STREQ(table->Names[0], "Y");
    EXPECT_STREQ(table->Names[1], "Z");
    EXPECT_EQ(Key(*table, 0, 11, 1), 200 + 23);
    EXPECT_EQ(Key(*table, 1, 0, 0), 300);
    // The vacated row keeps a copy of the set now below it.
    EXPECT_STREQ(table->Names[2], "Z");

    NewSet(*table);
    EXPECT_EQ(table->SetKeyCount, 2);
    EXPECT_EQ(table->ActiveSet, 2);
    EXPECT_STREQ(table->Names[2], kUntitledName);
    EXPECT_EQ(Key(*table, 2, 5, 1), 300 + 11);
}

// Deleting set 1 of four: each HOLD still names the same set, the one that
// named set 1 does nothing any more, other actions stay.
TEST(KeySetTable, DeleteRenumbersHoldTargets) {
    auto table = MakeTable();
    table->SetKeyCount = 3;
    table->Actions[0][4] = HoldAction(0);
    table->Actions[0][5] = HoldAction(1);
    table->Actions[0][6] = HoldAction(3);
    table->Actions[0][7] = HoldAction(40);  // beyond the table: moves down too
    table->Actions[2][4] = HoldAction(2);
    table->Actions[3][19] = ActionNext;
    SelectSet(*table, 1);
    DeleteSet(*table);
    const int32_t expected[][2] = {
        {table->Actions[0][4], HoldAction(0)}, {table->Actions[0][5], ActionNone},
        {table->Actions[0][6], HoldAction(2)}, {table->Actions[0][7], HoldAction(39)},
        {table->Actions[1][4], HoldAction(1)}, {table->Actions[2][19], ActionNext},
    };
    for (size_t i = 0; i < sizeof expected / sizeof expected[0]; ++i) {
        EXPECT_EQ(expected[i][0], expected[i][1]) << "row " << i;
    }
}

TEST(KeySetTable, DeletingTheHighestSetActivatesTheNewHighest) {
    auto table = MakeTable();
    FillSet(*table, 0, "A", 10);
    FillSet(*table, 1, "B", 20);
    table->SetKeyCount = 1;
    SelectSet(*table, 1);
    DeleteSet(*table);
    EXPECT_EQ(table->SetKeyCount, 0);
    EXPECT_EQ(table->ActiveSet, 0);
    EXPECT_EQ(ActiveKey(*table, 0, 0), 10);

    // Deleting the only set empties the table; nothing is pressed from the
    // stale row and a second delete changes nothing.
    DeleteSet(*table);
    EXPECT_EQ(table->SetKeyCount, -1);
    EXPECT_EQ(table->ActiveSet, 0);
    EXPECT_EQ(ActiveKey(*table, 0, 0), 0);
    DeleteSet(*table);
    EXPECT_EQ(table->SetKeyCount, -1);

    NewSet(*table);
    EXPECT_EQ(table->SetKeyCount, 0);
    EXPECT_EQ(table->ActiveSet, 0);
    EXPECT_STREQ(table->Names[0], kUntitledName);
}

TEST(KeySetTable, StaysWithinEightySets) {
    auto table = MakeTable();
    table->SetKeyCount = -1;
    for (int i = 0; i < 100; ++i) {
        NewSet(*table);
    }
    EXPECT_EQ(table->SetKeyCount, kMaxSets - 1);
    EXPECT_EQ(table->ActiveSet, kMaxSets - 1);
    // Deleting the first of a full table moves all 79 others down.
    FillSet(*table, 79, "last", 7);
    SelectSet(*table, 0);
    DeleteSet(*table);
    EXPECT_EQ(table->SetKeyCount, 78);
    EXPECT_STREQ(table->Names[78], "last");
}

TEST(KeySetTable, SelectSetIgnoresIndicesOutsideTheTable) {
    auto table = MakeTable();
    table->SetKeyCount = 2;
    SelectSet(*table, 2);
    EXPECT_EQ(table->ActiveSet, 2);
    for (int bad : {-1, 3, 79, 80, 1000, INT32_MIN}) {
        SelectSet(*table, bad);
        EXPECT_EQ(table->ActiveSet, 2) << "index " << bad;
    }
    EXPECT_EQ(ActiveKey(*table, 12, 0), 0);
    EXPECT_EQ(ActiveKey(*table, 0, 2), 0);
}

TEST(KeySetTable, RenameCutsTo255BytesAndAllowsDuplicates) {
    auto table = MakeTable();
    table->SetKeyCount = 1;
    const std::string longName(300, 'n');
    RenameSet(*table, longName.c_str());
    EXPECT_EQ(std::strlen(table->Names[0]), 255u);
    SelectSet(*table, 1);
    RenameSet(*table, " same ");
    SelectSet(*table, 0);
    RenameSet(*table, " same ");
    EXPECT_STREQ(table->Names[0], table->Names[1]);
}

}  // namespace
