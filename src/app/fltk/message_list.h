#pragma once

#include <FL/Fl_Browser.H>
#include <algorithm>
#include <string>
#include <string_view>

namespace q9xz {

// The window's list box: unsorted, nothing selectable, scrolls both ways, and its scrollable
// width is the extent the commands set (widened further only if a line would not fit).
class MessageList : public Fl_Browser {
  public:
    MessageList(int x, int y, int w, int h) : Fl_Browser(x, y, w, h) {}

    int extent() const { return extent_; }
    void extent(int pixels) {
        extent_ = pixels;
        redraw();
    }
    // Lines are data from the log: a line that starts with the browser's format character gets
    // "@." in front, which shows the rest as it is.
    void append(std::string_view line) {
        std::string text(line);
        if (!text.empty() && text[0] == format_char())
            text.insert(0, "@.");
        add(text.c_str());
    }

  protected:
    int full_width() const override { return std::max(extent_, Fl_Browser::full_width()); }

  private:
    int extent_ = 0;
};

} // namespace q9xz
