#pragma once

#include <array>
#include <string_view>

namespace q9xz {

// The main window: its title (with its leading blank), its place and its outer size in pixels.
inline constexpr std::string_view WINDOW_TITLE = " Create Spreadsheet of Q9XZ Centennial QSOs";
inline constexpr int WINDOW_X = 220;
inline constexpr int WINDOW_Y = 220;
inline constexpr int WINDOW_WIDTH = 545;
inline constexpr int WINDOW_HEIGHT = 480;

// Control ids; 1001 to 1012 are the commands.
inline constexpr int ID_ABOUT = 1001;
inline constexpr int ID_ADIF_FILE = 1002;
inline constexpr int ID_CONVERT = 1003;
inline constexpr int ID_CSV_FILE = 1004;
inline constexpr int ID_DONATE = 1005;
inline constexpr int ID_EXIT = 1006;
inline constexpr int ID_FIRST = 1007;
inline constexpr int ID_HELP = 1008;
inline constexpr int ID_LAST = 1009;
inline constexpr int ID_LOTW = 1010;
inline constexpr int ID_OPEN = 1011;
inline constexpr int ID_UPDATE = 1012;
inline constexpr int ID_ADIF_BOX = 1013;
inline constexpr int ID_CSV_BOX = 1014;
inline constexpr int ID_LIST_BOX = 1015;

enum class ControlRole {
    FILE_NAME_FIELD, // shows the base name of a chosen file; never read back
    COMMAND_BUTTON,  // runs the command of its id
    CHOICE_BUTTON,   // one of the First / Last / LoTW radio buttons, which make one group
    MESSAGE_LIST,    // the list box of problem and summary lines
};

struct ControlSpec {
    int id;
    ControlRole role;
    std::string_view label;  // a button's text; empty for the fields and the list
    int x, y, width, height; // in the main window's client area
    bool tab_stop = false;   // Tab moves the keyboard focus to it
};

// The fifteen controls in the order they are made, which is also the keyboard order.
inline constexpr std::array<ControlSpec, 15> CONTROLS{{
    {ID_ADIF_BOX, ControlRole::FILE_NAME_FIELD, "", 20, 25, 200, 20},
    {ID_ADIF_FILE, ControlRole::COMMAND_BUTTON, "ADIF File", 230, 25, 80, 25, true},
    {ID_CSV_BOX, ControlRole::FILE_NAME_FIELD, "", 20, 75, 200, 20},
    {ID_CSV_FILE, ControlRole::COMMAND_BUTTON, "CSV File", 230, 75, 80, 25, true},
    {ID_CONVERT, ControlRole::COMMAND_BUTTON, "Convert", 440, 25, 80, 25},
    {ID_OPEN, ControlRole::COMMAND_BUTTON, "Open", 440, 75, 80, 25},
    {ID_EXIT, ControlRole::COMMAND_BUTTON, "Exit", 440, 125, 80, 25},
    {ID_ABOUT, ControlRole::COMMAND_BUTTON, "About", 20, 125, 80, 25},
    {ID_HELP, ControlRole::COMMAND_BUTTON, "Help", 125, 125, 80, 25},
    {ID_UPDATE, ControlRole::COMMAND_BUTTON, "Update", 230, 125, 80, 25},
    {ID_DONATE, ControlRole::COMMAND_BUTTON, "Donate", 335, 125, 80, 25},
    {ID_FIRST, ControlRole::CHOICE_BUTTON, "First", 350, 25, 80, 25},
    {ID_LAST, ControlRole::CHOICE_BUTTON, "Last", 350, 50, 80, 25},
    {ID_LOTW, ControlRole::CHOICE_BUTTON, "LoTW", 350, 75, 80, 25},
    {ID_LIST_BOX, ControlRole::MESSAGE_LIST, "", 20, 175, 500, 250},
}};

// The list box's fixed-pitch font is this many pixels wide per character; the list widens its
// scrollable extent by it so the longest line can be scrolled into view.
inline constexpr int LIST_CHAR_WIDTH = 8;
// The scrollable width the list box starts from at every Convert.
inline constexpr int LIST_START_EXTENT = 450;

} // namespace q9xz
