#pragma once

// Stand-ins for the client's window and for the generator: combo boxes and a message box that
// record what they are given, and a draw source that hands out fixed draws.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "client/dice/combo_box_view.h"
#include "client/message_box_view.h"
#include "dice/random_generator.h"
#include "protocol/cp932.h"

namespace vesk::test {

// Behaves like an unsorted drop-down combo box: selecting shows the item's text.
class FakeComboBox : public NameBoxView {
public:
    std::string Text() const override { return text; }
    void AddItem(std::string_view item) override { items.emplace_back(item); }
    void Clear() override {
        items.clear();
        text.clear();
        selected = -1;
    }
    void SelectFirst() override { Select(0); }
    int Find(std::string_view item) const override {
        const auto found = std::find(items.begin(), items.end(), item);
        return found == items.end() ? -1 : static_cast<int>(found - items.begin());
    }
    void InsertFirst(std::string_view item) override { items.emplace(items.begin(), item); }
    void RemoveFirst() override {
        if (!items.empty()) items.erase(items.begin());
    }
    void Select(int index) override {
        if (index < 0 || index >= static_cast<int>(items.size())) return;
        selected = index;
        text = items[static_cast<std::size_t>(index)];
    }

    std::string text;
    std::vector<std::string> items;
    int selected = -1;
};

// Keeps each message in UTF-8, so that expectations read as the user reads them.
class FakeMessageBox : public MessageBoxView {
public:
    void ShowMessage(std::string_view text) override {
        shown.push_back(Utf8FromCp932(text));
        bytes.emplace_back(text);
    }

    std::vector<std::string> shown;
    std::vector<std::string> bytes;
};

// Hands out the given draws in order; with cycle set it starts over at the end, otherwise a
// draw beyond them fails the test.
class FixedDraws : public DrawSource {
public:
    explicit FixedDraws(std::vector<int> values, bool cycle = false)
        : values(std::move(values)), cycle(cycle) {}

    int Draw() override {
        if (taken >= values.size() && !cycle) {
            ADD_FAILURE() << "more draws than the test gave";
            return 0;
        }
        return values[taken++ % values.size()];
    }

    std::size_t Taken() const { return taken; }

private:
    std::vector<int> values;
    bool cycle;
    std::size_t taken = 0;
};

// The raw draws of the worked examples: a die of six faces shows 4, 2, 6, 1, 3, 5.
inline std::vector<int> ExampleDraws() { return {3, 1, 5, 0, 2, 4}; }

}  // namespace vesk::test
