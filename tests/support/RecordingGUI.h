#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "gui/common_gui.h"

namespace qvtest {

// A front-end that records what it is asked to show: lines (with the attention each asks for),
// clock values, channel lists and changes of the away state.
// The fuzz targets forget it all between inputs, so that memory stays bounded over millions.
class RecordingGUI : public qvchat2gui::ChatGUI {
public:
    void prompt_login(std::string& /*username*/, std::string& /*password*/) const override {}
    void add_chat_line(const std::string& line) override {
        add_highlighted_line(line, qvchat2gui::Attention::none);
    }
    void add_highlighted_line(const std::string& line, qvchat2gui::Attention attention) override {
        const std::lock_guard<std::mutex> lock(recorded_mutex);
        lines.push_back(line);
        attentions.push_back(attention);
    }
    void add_line_in_view(const std::string& line, qvchat2gui::Attention attention,
                          const qvchat2gui::LineView& view) override {
        {
            const std::lock_guard<std::mutex> lock(recorded_mutex);
            views.push_back(view_text(view));
        }
        add_highlighted_line(line, attention);
    }
    void add_treated_line(const std::string& line, qvchat2gui::Attention attention,
                          const qvchat2gui::LineView& view,
                          const qvchat2gui::LineEffects& effects) override {
        {
            const std::lock_guard<std::mutex> lock(recorded_mutex);
            treated.push_back(effects);
        }
        add_line_in_view(line, attention, view);
    }
    void add_hidden_line(const std::string& line) override {
        const std::lock_guard<std::mutex> lock(recorded_mutex);
        hidden.push_back(line);
    }
    void set_away(bool away) override {
        const std::lock_guard<std::mutex> lock(recorded_mutex);
        away_changes.push_back(away);
    }
    void take_control() override {}
    void update_clock(unsigned short minutes) override {
        const std::lock_guard<std::mutex> lock(recorded_mutex);
        clock_values.push_back(minutes);
    }
    void set_channel_list(const std::vector<unsigned int>& channels) override {
        ChatGUI::set_channel_list(channels);
        const std::lock_guard<std::mutex> lock(recorded_mutex);
        channel_lists.push_back(channels);
    }

    std::vector<std::string> shown() const {
        const std::lock_guard<std::mutex> lock(recorded_mutex);
        return lines;
    }
    // The lines shown since the last call (or since forget_all).
    std::vector<std::string> take_lines() {
        const std::lock_guard<std::mutex> lock(recorded_mutex);
        std::vector<std::string> taken;
        taken.swap(lines);
        attentions.clear();
        return taken;
    }
    // The attention each shown line asked for, in the order of shown().
    std::vector<qvchat2gui::Attention> shown_attentions() const {
        const std::lock_guard<std::mutex> lock(recorded_mutex);
        return attentions;
    }
    // The view of each line given with one, as "channel 5", "player Bob", "local" or "every".
    std::vector<std::string> shown_views() const {
        const std::lock_guard<std::mutex> lock(recorded_mutex);
        return views;
    }
    // What the triggers asked of each received line, and the lines they hid.
    std::vector<qvchat2gui::LineEffects> effects() const {
        const std::lock_guard<std::mutex> lock(recorded_mutex);
        return treated;
    }
    std::vector<std::string> hidden_lines() const {
        const std::lock_guard<std::mutex> lock(recorded_mutex);
        return hidden;
    }
    std::vector<bool> away_calls() const {
        const std::lock_guard<std::mutex> lock(recorded_mutex);
        return away_changes;
    }
    std::vector<unsigned short> clocks() const {
        const std::lock_guard<std::mutex> lock(recorded_mutex);
        return clock_values;
    }
    // The last clock value given, or -1 when none was.
    int last_clock() const {
        const std::lock_guard<std::mutex> lock(recorded_mutex);
        return clock_values.empty() ? -1 : clock_values.back();
    }
    std::vector<std::vector<unsigned int>> channel_list_calls() const {
        const std::lock_guard<std::mutex> lock(recorded_mutex);
        return channel_lists;
    }
    void forget_all() {
        const std::lock_guard<std::mutex> lock(recorded_mutex);
        lines.clear();
        attentions.clear();
        views.clear();
        away_changes.clear();
        clock_values.clear();
        channel_lists.clear();
        treated.clear();
        hidden.clear();
    }

private:
    static std::string view_text(const qvchat2gui::LineView& view) {
        using Kind = qvchat2gui::LineView::Kind;
        switch (view.kind) {
            case Kind::channel:
                return "channel " + std::to_string(view.channel);
            case Kind::player:
                return "player " + view.player;
            case Kind::local:
                return "local";
            case Kind::every_view:
                break;
        }
        return "every";
    }

    mutable std::mutex recorded_mutex;  // guards the fields below
    std::vector<std::string> lines;
    std::vector<std::string> views;
    std::vector<qvchat2gui::Attention> attentions;
    std::vector<bool> away_changes;
    std::vector<unsigned short> clock_values;
    std::vector<std::vector<unsigned int>> channel_lists;
    std::vector<qvchat2gui::LineEffects> treated;
    std::vector<std::string> hidden;
};

}  // namespace qvtest
