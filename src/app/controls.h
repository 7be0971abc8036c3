#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace q9xz {

// The main window: its title (also the window class name, with its leading blank), its place
// and its outer size in pixels.
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

// Style flags of a control, toolkit-neutral; the Windows backend maps each to its WS_, CBS_,
// BS_, LBS_ or WS_EX_ constant, other backends to what their widgets offer.
enum ControlStyle : std::uint32_t {
    STYLE_BORDER = 1u << 0,       // WS_BORDER
    STYLE_SIMPLE_COMBO = 1u << 1, // CBS_SIMPLE: only the one-line edit field shows
    STYLE_AUTO_HSCROLL = 1u << 2, // CBS_AUTOHSCROLL
    STYLE_PUSH_BUTTON = 1u << 3,  // BS_PUSHBUTTON
    STYLE_TAB_STOP = 1u << 4,     // WS_TABSTOP
    STYLE_AUTO_RADIO = 1u << 5,   // BS_AUTORADIOBUTTON
    STYLE_GROUP = 1u << 6,        // WS_GROUP: starts the radio group
    STYLE_VSCROLL = 1u << 7,      // WS_VSCROLL
    STYLE_HSCROLL = 1u << 8,      // WS_HSCROLL
    STYLE_NO_SELECT = 1u << 9,    // LBS_NOSEL
    STYLE_CLIENT_EDGE = 1u << 10, // WS_EX_CLIENTEDGE (an extended style)
};

enum class ControlRole {
    FileNameField, // shows the base name of a chosen file; never read back
    CommandButton, // runs the command of its id
    ChoiceButton,  // one of the First / Last / LoTW radio buttons
    MessageList,   // the list box of problem and summary lines
};

struct ControlSpec {
    int id;
    std::string_view window_class; // the Windows class name: "COMBOBOX", "BUTTON", "LISTBOX"
    const char* text;              // nullptr: made without any text
    int x, y, width, height;       // in the main window's client area
    std::uint32_t style;           // ControlStyle flags besides child and visible
    ControlRole role;
};

inline constexpr std::uint32_t FILE_FIELD_STYLE =
    STYLE_BORDER | STYLE_SIMPLE_COMBO | STYLE_AUTO_HSCROLL;

// The fifteen controls in the order they are made, which is also the keyboard order.
// clang-format off
inline constexpr std::array<ControlSpec, 15> CONTROLS{{
    {ID_ADIF_BOX, "COMBOBOX", nullptr, 20, 25, 200, 20, FILE_FIELD_STYLE, ControlRole::FileNameField},
    {ID_ADIF_FILE, "BUTTON", "ADIF File", 230, 25, 80, 25, STYLE_PUSH_BUTTON | STYLE_TAB_STOP, ControlRole::CommandButton},
    {ID_CSV_BOX, "COMBOBOX", nullptr, 20, 75, 200, 20, FILE_FIELD_STYLE, ControlRole::FileNameField},
    {ID_CSV_FILE, "BUTTON", "CSV File", 230, 75, 80, 25, STYLE_PUSH_BUTTON | STYLE_TAB_STOP, ControlRole::CommandButton},
    {ID_CONVERT, "BUTTON", "Convert", 440, 25, 80, 25, STYLE_PUSH_BUTTON, ControlRole::CommandButton},
    {ID_OPEN, "BUTTON", "Open", 440, 75, 80, 25, STYLE_PUSH_BUTTON, ControlRole::CommandButton},
    {ID_EXIT, "BUTTON", "Exit", 440, 125, 80, 25, STYLE_PUSH_BUTTON, ControlRole::CommandButton},
    {ID_ABOUT, "BUTTON", "About", 20, 125, 80, 25, STYLE_PUSH_BUTTON, ControlRole::CommandButton},
    {ID_HELP, "BUTTON", "Help", 125, 125, 80, 25, STYLE_PUSH_BUTTON, ControlRole::CommandButton},
    {ID_UPDATE, "BUTTON", "Update", 230, 125, 80, 25, STYLE_PUSH_BUTTON, ControlRole::CommandButton},
    {ID_DONATE, "BUTTON", "Donate", 335, 125, 80, 25, STYLE_PUSH_BUTTON, ControlRole::CommandButton},
    {ID_FIRST, "BUTTON", "First", 350, 25, 80, 25, STYLE_AUTO_RADIO | STYLE_GROUP, ControlRole::ChoiceButton},
    {ID_LAST, "BUTTON", "Last", 350, 50, 80, 25, STYLE_AUTO_RADIO, ControlRole::ChoiceButton},
    {ID_LOTW, "BUTTON", "LoTW", 350, 75, 80, 25, STYLE_AUTO_RADIO, ControlRole::ChoiceButton},
    {ID_LIST_BOX, "LISTBOX", "", 20, 175, 500, 250,
     STYLE_CLIENT_EDGE | STYLE_BORDER | STYLE_VSCROLL | STYLE_HSCROLL | STYLE_NO_SELECT, ControlRole::MessageList},
}};
// clang-format on

// The list box's fixed-pitch font is this many pixels wide per character; the list widens its
// scrollable extent by it so the longest line can be scrolled into view.
inline constexpr int LIST_CHAR_WIDTH = 8;
// The scrollable width the list box starts from at every Convert.
inline constexpr int LIST_START_EXTENT = 450;

} // namespace q9xz
