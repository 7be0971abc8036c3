#include "app/controls.h"
#include "app/string_table.h"
#include "string_ids.h"

#include <gtest/gtest.h>
#include <set>

namespace q9xz {
namespace {

TEST(StringTable, HoldsTheProgramsTextsByteForByte) {
    EXPECT_EQ(string_table_text(1017), "About this program...");
    EXPECT_EQ(string_table_text(1019), "Create Spreadsheet of Q9XZ Centennial QSOs");
    EXPECT_EQ(string_table_text(1020), "Can't open spreadsheet because it has not been converted.");
    EXPECT_EQ(string_table_text(1021), "Did not specify input ADIF file.");
    EXPECT_EQ(string_table_text(1022), "Could not start web browser.");
    EXPECT_EQ(string_table_text(1023), "Did not specify outpu CSV file.");
    EXPECT_EQ(string_table_text(1024), "Could not open ADIF input file.");
    EXPECT_EQ(string_table_text(1025), "Could not open CSV output file.");
    for (int id : {1018, 1026, 1027, 1028})
        EXPECT_FALSE(string_table_text(id).empty()) << id;
    for (int id : {1016, 1030, 0})
        EXPECT_TRUE(string_table_text(id).empty()) << id;
}

TEST(Controls, EveryCommandHasOneButtonAndIdsAreUnique) {
    std::set<int> ids;
    int radio_groups = 0;
    for (const ControlSpec& control : CONTROLS) {
        EXPECT_TRUE(ids.insert(control.id).second) << control.id;
        const bool button = control.role == ControlRole::COMMAND_BUTTON ||
                            control.role == ControlRole::CHOICE_BUTTON;
        EXPECT_EQ(button, control.id >= 1001 && control.id <= 1012) << control.id;
        EXPECT_EQ(control.label.empty(), !button) << control.id;
        // Everything lies inside the client area of the 545 x 480 window.
        EXPECT_LE(control.x + control.width, WINDOW_WIDTH) << control.id;
        EXPECT_LE(control.y + control.height, WINDOW_HEIGHT - 40) << control.id;
        radio_groups += control.role == ControlRole::CHOICE_BUTTON &&
                        (&control == CONTROLS.begin() || control.role != (&control - 1)->role);
    }
    EXPECT_EQ(ids.size(), 15u);
    EXPECT_EQ(*ids.begin(), 1001);
    EXPECT_EQ(*ids.rbegin(), 1015);
    EXPECT_EQ(radio_groups, 1);
    EXPECT_EQ(CONTROLS.back().role, ControlRole::MESSAGE_LIST);
}

} // namespace
} // namespace q9xz
