#pragma once

// One browser seat's side of the party: what the page asks for becomes the lines VeskChat
// would send, and every line the relay sends the seat becomes what a VeskChat window would
// show, through the same dispatcher and roster. Plain C++: the web server carries the bytes.
//
// The page speaks UTF-8 in messages of a few fields separated by line feeds:
//   "join\n" NAME              joins the party under NAME
//   "say\n" SPEAKER "\n" TEXT  sends TEXT under SPEAKER (the name box's name)
//   "roll\n" SPEAKER "\n" EXPR rolls EXPR here and sends the dice line under SPEAKER
// The seat answers with JSON objects, one a message or several in an array:
//   {"lists":{"dice":[...],"names":[...]}}  the relay's dice and name lists
//   {"log":"TEXT"}   a line for the chat log    {"add":"NAME"}  a new last row
//   {"del":INDEX}    a row removed               {"notice":"TEXT"}  a notice for the player
// A relay's roll carries its bytes in hex as well ("relay"), so that the page can check a seal.
// The log, add and del messages are the seat's conversation, which the web server numbers so
// that a page that comes back takes each of them once.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "dice/random_generator.h"
#include "protocol/line_dispatcher.h"
#include "protocol/participant_roster.h"

namespace vesk::web {

// The dice and name lists as the page shows them (UTF-8).
struct SeatLists {
    std::vector<std::string> dice;
    std::vector<std::string> names;
};

// A JSON string literal for UTF-8 text, quotes included.
std::string JsonString(std::string_view utf8);

// {"lists":...} for the page.
std::string ListsMessage(const SeatLists& lists);

// {"notice":"TEXT"} for UTF-8 text.
std::string NoticeMessage(std::string_view utf8);

// A line the party said before, as the relay keeps it (code page 932, CR LF included), and
// when, in milliseconds since 1970.
struct SaidBefore {
    std::string line;
    std::int64_t epochMs = 0;
};

// {"past":[{"t":MS,"log":"TEXT"},...]}: the party's recent lines, for a page that joins.
std::string PastMessage(const std::vector<SaidBefore>& lines);

class SeatBridge : private PartyView {
public:
    explicit SeatBridge(std::uint32_t seed);

    struct Reply {
        std::string toRelay;                 // whole lines, CR LF included, in code page 932
        std::vector<std::string> toBrowser;  // JSON messages
        bool joining = false;                // the seat must take its place in the party now
    };

    // A message from the page. Anything before joining but a join, and a second join, are
    // answered with a notice and send nothing.
    Reply FromBrowser(std::string_view message);

    // One line from the relay, CR LF included: the JSON messages for the page.
    std::vector<std::string> FromRelay(std::string_view line);

    bool Joined() const { return joined; }

    // {"people":["NAME",...]}: the participant list as it stands, for a page that starts anew.
    std::string PeopleMessage() const;

    // Whether the relay has announced this seat's participant since it joined: a seat whose
    // connection ends before that was turned away (a full party, too many connections).
    bool Seated() const { return seated; }

private:
    void AppendChatLog(std::string_view text) override;
    void AddParticipantRow(std::string_view name) override;
    void DeleteParticipantRow(int index) override;

    Reply Join(std::string_view name);
    Reply Say(std::string_view speaker, std::string_view text);
    Reply Roll(std::string_view speaker, std::string_view expression);

    RandomGenerator generator;
    ParticipantRoster roster;
    IncomingLineDispatcher dispatcher;
    bool joined = false;
    bool seated = false;
    std::string playerName;          // code page 932, as joined
    std::vector<std::string> shown;  // what the dispatcher showed for the line at hand
};

}  // namespace vesk::web
