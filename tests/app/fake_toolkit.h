#pragma once

#include "app/string_table.h"
#include "app/toolkit.h"

#include <deque>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace q9xz::testing {

struct Box {
    std::string text;
    std::string title;
    MessageButtons buttons;
    MessageIcon icon;
    bool owned;
    bool operator==(const Box&) const = default;
};

struct DialogShown {
    bool save;
    std::string title;
    std::vector<std::pair<std::string, std::string>> filters;
    std::string default_extension;
    bool must_exist;
    bool confirm_overwrite;
    std::string proposed;  // the path the dialog was given
    bool multiple = false; // several files could be picked
};

// A toolkit without a display: records every operation and answers from a script.
class FakeToolkit : public Toolkit {
  public:
    // nullopt: the user cancels; in a dialog that allows several files, one path per line.
    std::deque<std::optional<std::string>> dialog_answers;
    bool opens = true; // what open_address answers

    std::vector<Box> boxes;
    std::vector<DialogShown> dialogs;
    std::map<int, std::string> fields;
    std::vector<std::string> list;
    int extent = 0;
    std::vector<int> extents_set;
    int checked = 0;
    std::vector<std::string> opened;
    int quits = 0;

    MessageAnswer message_box(std::string_view text, std::string_view title, MessageButtons buttons,
                              MessageIcon icon, bool owned) override {
        boxes.push_back({std::string(text), std::string(title), buttons, icon, owned});
        return MessageAnswer::OK;
    }
    std::string text(int id) override { return std::string(string_table_text(id)); }
    bool open_file_dialog(const FileDialog& dialog, std::string& path) override {
        return dialog_answer(false, dialog, path);
    }
    bool save_file_dialog(const FileDialog& dialog, std::string& path) override {
        return dialog_answer(true, dialog, path);
    }
    bool open_files_dialog(const FileDialog& dialog, const std::string& proposed,
                           std::vector<std::string>& paths) override {
        std::string answer = proposed;
        if (!dialog_answer(false, dialog, answer, true))
            return false;
        paths.clear();
        for (std::size_t from = 0;;) {
            const std::size_t end = answer.find('\n', from);
            paths.push_back(answer.substr(from, end - from));
            if (end == std::string::npos)
                return true;
            from = end + 1;
        }
    }
    void set_field_text(int control_id, std::string_view text) override {
        fields[control_id] = std::string(text);
    }
    void list_clear() override { list.clear(); }
    int list_extent() override { return extent; }
    void set_list_extent(int pixels) override {
        extent = pixels;
        extents_set.push_back(pixels);
    }
    void list_append(std::string_view text) override { list.emplace_back(text); }
    void check_radio_button(int control_id) override { checked = control_id; }
    bool open_address(const std::string& address) override {
        opened.push_back(address);
        return opens;
    }
    void quit() override { ++quits; }

  private:
    bool dialog_answer(bool save, const FileDialog& dialog, std::string& path,
                       bool multiple = false) {
        DialogShown shown{save,
                          std::string(dialog.title),
                          {},
                          std::string(dialog.default_extension),
                          dialog.must_exist,
                          dialog.confirm_overwrite,
                          path,
                          multiple};
        for (const FileFilter& filter : dialog.filters)
            shown.filters.emplace_back(filter.name, filter.patterns);
        dialogs.push_back(shown);
        std::optional<std::string> answer;
        if (!dialog_answers.empty()) {
            answer = dialog_answers.front();
            dialog_answers.pop_front();
        }
        if (!answer)
            return false;
        path = *answer;
        return true;
    }
};

} // namespace q9xz::testing
