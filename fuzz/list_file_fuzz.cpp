// Any file in the place of a dice or name list: loading it must neither crash nor hand the
// combo box an entry with a line feed in it.

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "client/dice/combo_box_view.h"
#include "client/dice/list_boxes.h"
#include "client/message_box_view.h"

namespace {

class RecordingBox : public vesk::ComboBoxView {
public:
    std::string Text() const override { return items.empty() ? std::string() : items.front(); }
    void AddItem(std::string_view text) override {
        if (text.find('\n') != std::string_view::npos) std::abort();
        items.emplace_back(text);
    }
    void Clear() override { items.clear(); }
    void SelectFirst() override {}
    std::vector<std::string> items;
};

class IgnoredMessages : public vesk::MessageBoxView {
public:
    void ShowMessage(std::string_view) override {}
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    char path[] = "/tmp/vesk_list_fuzz_XXXXXX";
    const int file = mkstemp(path);
    if (file < 0) return 0;
    if (write(file, data, size) != static_cast<ssize_t>(size)) std::abort();
    close(file);
    RecordingBox box;
    IgnoredMessages messages;
    vesk::LoadListFile(path, box, messages);
    unlink(path);
    return 0;
}
