#pragma once

// The party's rules, with no socket, thread or clock of their own: slots and ids, the roster,
// the name deadline, the limit of connections from one address, the flood gate, the send queues
// with their caps, the stuck rule, the relay's memory cap and who may not be read from. The
// loop that drives it tells it what happened (a connection came, bytes came, a connection took
// bytes or ended, time is now T) and carries out what it answers: write the bytes that wait
// for a connection, read from one again, close one, log a line.
//
// Everything said to one connection leaves in the order it was said; a line broadcast reaches
// every connection there when it is flushed, and nobody twice. Lines broadcast between two
// flushes leave in one write per connection.
//
// A participant's chat line that holds a dice command is followed by the relay's own line with
// the roll ("talk【ダイス】NAME：RESULT"); a secret roll goes to its roller alone and the others
// see its seal until the roller shows it. Nobody else's line may carry the relay's mark.
//
// A browser seat whose page has lost its connection is held: it stays in the party for the
// grace time, what the party says waits for it, and its page takes all of it once back. The
// party's last lines are kept, with the time each was said, for whoever joins.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <queue>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "dice/dice_command.h"
#include "protocol/line_splitter.h"
#include "protocol/participant_roster.h"
#include "server/flood_gate.h"
#include "server/queue_memory.h"
#include "server/relay_options.h"
#include "server/send_queue.h"

namespace vesk {

using PartyClock = std::chrono::steady_clock;

// One connection for as long as it lasts; once it has ended, its id names nothing, even when
// its slot holds a newer connection.
struct ConnectionId {
    std::uint32_t slot = 0;
    std::uint32_t serial = 0;
    bool operator==(const ConnectionId&) const = default;
};

enum class CloseKind {
    Orderly,  // what it was sent goes out in the background
    Reset,    // cut off: what it was sent and what it still sends are discarded
    Refused,  // turned away before it was given a slot
};

struct PartyAction {
    enum class Kind {
        Write,          // bytes wait for the connection: write what Pending gives
        ResumeReading,  // read from it again: ReadRoom has room once more
        Close,          // close it; the party is done with it
        Log,            // an event log line
    };
    Kind kind = Kind::Log;
    ConnectionId connection;
    CloseKind close = CloseKind::Orderly;
    // Close: the program is ending, so failures to close are not worth a log line.
    bool quiet = false;
    std::string text;  // Log: code page 932, without its line end
};

class PartyCore {
public:
    static constexpr std::size_t kInitialSlots = 20;
    static constexpr std::size_t kSlotGrowth = 10;
    // What the relay holds of one participant's lines while they wait their turn at the flood
    // gate; beyond it nothing more is read from it until some have left.
    static constexpr std::size_t kHeldBytes = 64 * 1024;
    // Secret rolls kept for one participant to show later; the oldest is forgotten first.
    static constexpr std::size_t kSealedRolls = 100;

    // Dice from the system's entropy, or from dice, which must outlast the core.
    explicit PartyCore(const RelayOptions& options);
    PartyCore(const RelayOptions& options, DiceSource& dice);
    PartyCore(const PartyCore&) = delete;
    PartyCore& operator=(const PartyCore&) = delete;

    // --- What happened ------------------------------------------------------------------------

    // A connection came from peerAddress; origin names where, in the event log. Nothing when it
    // was turned away (its address has as many connections as it may have); it is then closed
    // by the caller, and the action list says why.
    std::optional<ConnectionId> Connected(const std::string& peerAddress, std::string_view origin,
                                          PartyClock::time_point now);
    // Bytes it sent, at most ReadRoom of them. drained: its system holds nothing more from it.
    void Received(ConnectionId id, std::string_view bytes, PartyClock::time_point now,
                  bool drained);
    // Reading stopped for want of room; bytesWaiting: its system holds more of what it sent.
    void Unread(ConnectionId id, bool bytesWaiting, PartyClock::time_point now);
    // Its system took count of the bytes Pending gave; 0 when it took none, as its buffer is
    // full.
    void Taken(ConnectionId id, std::size_t count, PartyClock::time_point now);
    // It closed, failed or could not be written to.
    void Ended(ConnectionId id, PartyClock::time_point now);
    // A seat's far end is away for now: it stays for RelayOptions::seatGrace, taking nothing
    // meanwhile without counting as stuck, and then leaves as if it had ended. A connection
    // that has not joined yet leaves at once.
    void Hold(ConnectionId id, PartyClock::time_point now);
    // Its far end is back: what waits for it is there to be written, and the stuck rule holds
    // again from now.
    void Resume(ConnectionId id, PartyClock::time_point now);
    // Time has come to NextDeadline, or later.
    void Tick(PartyClock::time_point now);
    // What was broadcast since the last flush goes to every connection's queue.
    void Flush(PartyClock::time_point now);
    // Queues the party's recent lines for the connection, between the relay's two marker
    // lines; nothing when none are kept.
    void SendHistory(ConnectionId id, PartyClock::time_point now);

    // For the end of the program: every connection is closed and the roster emptied. Nothing is
    // logged and no line is sent from now on.
    void CloseAll();
    // Removes every participant record; those still connected leave with a participant line
    // only, as nobody is listed under their number any more.
    void ClearRoster();
    // Whether the relay rolls dice commands from now on (RelayOptions::dice).
    void SetDice(bool on) { options.dice = on; }

    // --- What it asks ------------------------------------------------------------------------

    // Moves the actions since the last call to out, which is emptied first, in order.
    void TakeActions(std::vector<PartyAction>& out);
    // How many bytes may be read from the connection now. 0: none until ResumeReading.
    std::size_t ReadRoom(ConnectionId id);
    // The oldest bytes waiting for the connection, in up to out.size() runs: how many were
    // filled. Valid until the next call that changes the party.
    std::size_t Pending(ConnectionId id, std::span<std::string_view> out) const;
    // Lines were broadcast since the last Flush.
    bool FlushWanted() const { return !round.empty(); }
    // Bytes broadcast since the last Flush.
    std::size_t RoundBytes() const { return round.size(); }
    // When Tick is next wanted; the end of time when never.
    PartyClock::time_point NextDeadline() const;

    // One of the party's recent lines: a talk line, or a departure, as everybody got it.
    struct PastLine {
        std::string line;  // code page 932, CR LF included
        PartyClock::time_point at;
    };
    // The recent lines, oldest first, RelayOptions::historyLines and historyBytes at most.
    std::vector<PastLine> History() const;
    bool Held(ConnectionId id) const {
        const Member* member = Find(id);
        return member && member->heldUntil != PartyClock::time_point::max();
    }

    std::size_t SlotCount() const { return members.size(); }
    int ConnectedCount() const { return connectedCount; }
    const std::vector<Participant>& Roster() const { return roster.Participants(); }
    // Bytes queued for all connections together, and for one.
    std::size_t QueuedBytes() const { return memory.Held(); }
    std::size_t QueuedBytes(ConnectionId id) const {
        const Member* member = Find(id);
        return member ? member->queue.Size() : 0;
    }

private:
    PartyCore(const RelayOptions& options, DiceSource* given);

    struct SealedRoll {
        int number = 0;
        std::string result;  // code page 932
        std::string key;     // 32 hex digits
    };

    // A slot, and the connection in it while it is occupied.
    struct Member {
        explicit Member(const RelayOptions& options)
            : queue(options.sendQueueBytes, options.stuckReceiver) {}

        bool occupied = false;
        std::uint32_t serial = 0;  // of the connection in it, or of the next one
        std::string peerAddress;
        bool named = false;
        // The name the roster lists it under, while it does: what its dice commands follow,
        // found without a search of the roster for every line.
        std::optional<std::string> listedName;
        PartyClock::time_point nameDeadline;
        LineSplitter splitter;
        std::optional<FloodGate> gate;
        // Its own lines waiting their turn at the gate: from waitingFrom on, whole lines.
        std::string waiting;
        std::size_t waitingFrom = 0;
        PartyClock::time_point turn;  // from when the first waiting line may leave
        bool stalled = false;         // ReadRoom said 0; owed a ResumeReading
        bool memoryListed = false;    // on memoryStalled
        SendQueue queue;              // what waits for it
        std::size_t roundFrom = 0;    // where in the round it came in
        std::shared_ptr<QueueMemory::Sender> sender;
        PartyClock::time_point scheduled = PartyClock::time_point::max();
        // While its far end is away: when it leaves unless it is back.
        PartyClock::time_point heldUntil = PartyClock::time_point::max();
        // Its secret rolls not shown yet, the count of all it made, and whether the event log
        // told of a line of its that carried the relay's mark.
        std::deque<SealedRoll> sealed;
        int secretRolls = 0;
        bool markLogged = false;
    };

    struct Due {
        PartyClock::time_point when;
        std::uint32_t slot = 0;
        std::uint32_t serial = 0;
        bool operator>(const Due& other) const { return when > other.when; }
    };

    Member* Find(ConnectionId id);
    const Member* Find(ConnectionId id) const;
    static ConnectionId IdOf(std::size_t slot, const Member& member) {
        return {static_cast<std::uint32_t>(slot), member.serial};
    }
    std::size_t SlotOf(const Member& member) const {
        return static_cast<std::size_t>(&member - members.data());
    }

    std::size_t TakeSlot();
    void Log(std::string_view utf8Text);
    void Act(PartyAction::Kind kind, ConnectionId id);

    void TakeLine(Member& member, std::string_view line, PartyClock::time_point now);
    void Join(Member& member, std::string_view nameLine);
    void Broadcast(std::string_view lines, const Member* from = nullptr);
    // A participant's line goes to everyone, then the relay's roll when it held a command.
    void Say(Member& member, std::string_view line, PartyClock::time_point now);
    // The line with the relay's mark where the participant put one, changed so that it
    // cannot pass for the relay's; nothing when it carried none.
    std::optional<std::string> Defused(Member& member, std::string_view line);
    void LogDefused(Member& member);
    void RollFor(Member& member, std::string_view name, std::string_view command,
                 PartyClock::time_point now);
    void Reveal(Member& member, std::string_view name, int number, PartyClock::time_point now);
    // After what was broadcast so far: a line to one connection (only), or to all but one.
    void SendTo(const Member* only, const Member* except, std::string line,
                PartyClock::time_point now);
    bool Present(const Member& member, std::uint32_t serial) const {
        return member.occupied && member.serial == serial;
    }
    // Lets go the member's waiting lines whose turn has come.
    void LetWaitingGo(Member& member, PartyClock::time_point now);
    std::size_t WaitingBytes(const Member& member) const {
        return member.waiting.size() - member.waitingFrom;
    }
    std::size_t Room(const Member& member) const;
    // Tells a stalled member that it may be read from again, once it may.
    void Recheck(Member& member);
    // Rechecks the members the memory cap held back, once some memory was let go.
    void ResumeWhereRoom();
    // Lines from from on for the member; false when its queue would pass its cap.
    bool QueueFor(Member& member, const SendQueue::Lines& lines, std::size_t from,
                  PartyClock::time_point now);

    // Review the member at when, or earlier where it is due earlier already.
    void Schedule(Member& member, PartyClock::time_point when);
    void Review(Member& member, PartyClock::time_point now);
    // Drops the entries of deadlines that were moved or whose connection ended.
    void RebuildDeadlines();

    // Keeps a line everybody got among the recent ones, at the time of the latest event.
    void Remember(std::string_view line);
    // The index'th of the recent lines, oldest first; index < pastCount.
    const PastLine& Past(std::size_t index) const {
        return past[(pastFirst + index) % past.size()];
    }

    void CutOff(Member& member);
    void Depart(Member& member, CloseKind how);
    void FreeSlot(Member& member);
    const std::string& RosterLines();

    RelayOptions options;
    std::unique_ptr<DiceSource> ownDice;
    DiceSource& dice;
    // Before the members, whose queues hold what it counts.
    QueueMemory memory;
    std::vector<Member> members;
    int connectedCount = 0;
    std::map<std::string, int> connectionsFrom;  // by peer address
    ParticipantRoster roster;
    std::string rosterLines;  // every participant's line, oldest first, while rosterCurrent
    bool rosterCurrent = true;

    // Broadcast since the last flush, and whose lines it holds.
    std::string round;
    std::vector<QueueMemory::Share> roundShares;

    std::priority_queue<Due, std::vector<Due>, std::greater<>> deadlines;
    std::vector<ConnectionId> memoryStalled;  // stalled while the memory cap held
    std::vector<std::size_t> cutOffs;         // found in a flush, cut off after it
    std::vector<PartyAction> actions;
    bool closingAll = false;

    // The recent lines: a ring of historyLines places from pastFirst, pastCount of them used.
    std::vector<PastLine> past;
    std::size_t pastFirst = 0;
    std::size_t pastCount = 0;
    std::size_t pastBytes = 0;
    PartyClock::time_point latest{};  // the time of the latest event
};

}  // namespace vesk
