// Incoming lines from a server that may send anything: each line goes through the dispatcher
// and its roster, and the participant list the window shows must stay row for row what the
// roster holds. Every text for the log is one line ending in CR LF, without another line
// break or control character inside.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "client/net/chat_window.h"
#include "protocol/line_dispatcher.h"
#include "protocol/participant_roster.h"

namespace {

class ListWindow : public vesk::ChatWindow {
public:
    void AppendChatLog(std::string_view text) override {
        if (text.size() < 2 || text.substr(text.size() - 2) != "\r\n") std::abort();
        for (const char c : text.substr(0, text.size() - 2)) {
            const auto byte = static_cast<unsigned char>(c);
            if ((byte < 0x20 && byte != '\t') || byte == 0x7F) std::abort();
        }
    }
    void AddParticipantRow(std::string_view name) override { rows.emplace_back(name); }
    void DeleteParticipantRow(int index) override {
        if (index < 0 || static_cast<std::size_t>(index) >= rows.size()) std::abort();
        rows.erase(rows.begin() + index);
    }
    void ClearParticipantRows() override { rows.clear(); }
    void ShowMessage(std::string_view) override {}
    void SetMenuState(vesk::MenuState) override {}
    std::string CurrentPlayerName() override { return "fuzz"; }
    void PostToMainThread(std::function<void()> task) override { task(); }

    std::vector<std::string> rows;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    vesk::ParticipantRoster roster;
    ListWindow window;
    vesk::IncomingLineDispatcher dispatcher(roster, window);
    // Lines as the reader gives them: each ends in CR LF and holds at most 4096 bytes.
    std::size_t at = 0;
    while (at < input.size()) {
        std::size_t end = input.find('\n', at);
        if (end == std::string_view::npos) end = input.size();
        std::string line(input.substr(at, std::min<std::size_t>(end - at, 4094)));
        line += "\r\n";
        dispatcher.Dispatch(line);
        at = end + 1;
    }
    const auto participants = roster.Participants();
    if (participants.size() != window.rows.size()) std::abort();
    for (std::size_t i = 0; i < participants.size(); ++i) {
        if (vesk::ShownText(participants[i].name) != window.rows[i]) std::abort();
    }
    return 0;
}
