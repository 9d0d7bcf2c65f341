#include "server/party_core.h"

#include <algorithm>
#include <cctype>
#include <iterator>
#include <utility>

#include "dice/dice_seal.h"
#include "protocol/cp932.h"
#include "protocol/line_kind.h"
#include "protocol/line_transport.h"
#include "protocol/player_name.h"
#include "protocol/wire_messages.h"

namespace vesk {

namespace {

constexpr auto kNever = PartyClock::time_point::max();

// The name from a name line. The record holds 51 bytes; a TAB or a line end inside the name
// would corrupt the participant lines of every client.
std::string NameFromLine(std::string_view line) {
    return PlayerNameForLines(line.substr(0, line.size() - wire::kLineEnd.size()), kNameMaxBytes);
}

// What a player's mark becomes: as long, so a line keeps its length, and plainly not the
// relay's.
std::string_view DefusedMark() {
    static const std::string mark = Cp932FromUtf8("［ダイス］");
    return mark;
}

// A chat text that cannot start with a command costs nothing more: a command starts with an
// ASCII letter, digit or sign, a full-width one, a blank, or 公開.
bool MayHoldCommand(std::string_view text) {
    if (text.empty()) return false;
    const auto first = static_cast<unsigned char>(text[0]);
    if (first < 0x80) return std::isalnum(first) || first == '(' || first == '-' || first == ' ';
    return first == 0x81 || first == 0x82 || first == 0x8C;
}

// A secret roll's lines are longer than its result by at most this: the mark on the roller's
// line, or "公開 #n " and " 鍵:" with the key on the line that shows it.
constexpr std::size_t kSecretLineExtra = 64;

}  // namespace

PartyCore::PartyCore(const RelayOptions& options) : PartyCore(options, nullptr) {}

PartyCore::PartyCore(const RelayOptions& options, DiceSource& dice) : PartyCore(options, &dice) {}

PartyCore::PartyCore(const RelayOptions& options, DiceSource* given)
    : options(options),
      ownDice(given ? nullptr : std::make_unique<SystemDiceSource>()),
      dice(given ? *given : *ownDice),
      memory(options.relayQueueBytes) {
    members.reserve(kInitialSlots);
    for (std::size_t i = 0; i < kInitialSlots; ++i) members.emplace_back(options);
}

PartyCore::Member* PartyCore::Find(ConnectionId id) {
    if (id.slot >= members.size()) return nullptr;
    Member& member = members[id.slot];
    return member.occupied && member.serial == id.serial ? &member : nullptr;
}

const PartyCore::Member* PartyCore::Find(ConnectionId id) const {
    return const_cast<PartyCore*>(this)->Find(id);
}

void PartyCore::Log(std::string_view utf8Text) {
    if (closingAll) return;
    PartyAction action;
    action.text = Cp932FromUtf8(utf8Text);
    actions.push_back(std::move(action));
}

void PartyCore::Act(PartyAction::Kind kind, ConnectionId id) {
    PartyAction action;
    action.kind = kind;
    action.connection = id;
    actions.push_back(std::move(action));
}

void PartyCore::TakeActions(std::vector<PartyAction>& out) {
    out.clear();
    out.swap(actions);
}

std::optional<ConnectionId> PartyCore::Connected(const std::string& peerAddress,
                                                 std::string_view origin,
                                                 PartyClock::time_point now) {
    latest = std::max(latest, now);
    if (closingAll) return std::nullopt;
    if (options.perAddress > 0) {
        const auto from = connectionsFrom.find(peerAddress);
        if (from != connectionsFrom.end() && from->second >= options.perAddress) {
            // One host cannot take every slot and descriptor the relay has; its players and
            // everybody else's go on.
            Log("接続拒否：" + peerAddress + " からの接続が上限 (" +
                std::to_string(options.perAddress) + ") に達しています");
            return std::nullopt;
        }
    }
    ++connectionsFrom[peerAddress];
    const std::size_t slot = TakeSlot();
    Member& member = members[slot];
    member.occupied = true;
    // What was broadcast before goes to those already here; what is broadcast from now on
    // reaches the newcomer too, so a participant who joins or leaves meanwhile is announced to
    // it exactly once: in its roster lines or after them.
    member.roundFrom = round.size();
    member.peerAddress = peerAddress;
    member.nameDeadline = now + options.nameTimeout;
    member.gate.emplace(options.floodLimit, options.floodCutOff, now);
    member.sender = std::make_shared<QueueMemory::Sender>();
    ++connectedCount;
    Log("接続：クライアント No." + std::to_string(slot) + " (" + std::string(origin) + ")");
    if (!RosterLines().empty()) QueueFor(member, memory.Hold(RosterLines()), 0, now);
    Schedule(member, member.nameDeadline);
    return IdOf(slot, member);
}

std::size_t PartyCore::TakeSlot() {
    if (static_cast<std::size_t>(connectedCount) >= members.size()) {
        for (std::size_t i = 0; i < kSlotGrowth; ++i) members.emplace_back(options);
    }
    std::size_t slot = 0;
    while (members[slot].occupied) ++slot;
    return slot;
}

void PartyCore::Received(ConnectionId id, std::string_view bytes, PartyClock::time_point now,
                         bool drained) {
    latest = std::max(latest, now);
    Member* member = Find(id);
    if (!member) return;
    const std::uint32_t serial = member->serial;
    member->splitter.Feed(bytes);
    while (const auto line = member->splitter.Next()) {
        TakeLine(*member, *line, now);
        // A line to it alone found its queue full, and it was cut off.
        if (!Present(*member, serial)) return;
    }
    // All it sent has been read while its lines wait: it has stopped.
    if (drained) member->gate->BacklogCleared();
}

void PartyCore::TakeLine(Member& member, std::string_view line, PartyClock::time_point now) {
    if (!member.named) {
        Join(member, line);
        return;
    }
    // Only the relay speaks for the roster: a client's participant line would make every
    // client list someone who is not there, or drop someone who is.
    const LineKind kind = KindOfLine(line);
    if (kind == LineKind::Padd || kind == LineKind::Pdel) return;
    std::optional<std::string> defused;
    if (options.dice && kind == LineKind::Talk && (defused = Defused(member, line))) {
        line = *defused;
    }
    if (WaitingBytes(member) > 0) {
        member.waiting.append(line);
        return;
    }
    const PartyClock::time_point turn = member.gate->Take(now);
    if (turn <= now) {
        Say(member, line, now);
        return;
    }
    // This participant sends faster than anyone types: this line waits its turn, the lines
    // after it wait behind it, and nobody else's line waits at all.
    member.waiting.assign(line);
    member.waitingFrom = 0;
    member.turn = turn;
    Schedule(member, turn);
}

void PartyCore::Join(Member& member, std::string_view nameLine) {
    member.named = true;
    const int number = static_cast<int>(SlotOf(member));
    std::string name = NameFromLine(nameLine);
    if (options.dice && name.starts_with(wire::DiceMark())) {
        name.replace(0, wire::DiceMark().size(), DefusedMark());
        LogDefused(member);
    }
    const Participant& record = roster.Append(std::move(name), number);
    member.listedName = record.name;
    const std::string line = wire::PaddLine(record.name, number);
    if (rosterCurrent) rosterLines += line;
    // The participant line leaves with the lines that followed the name line, which are
    // usually its join lines.
    Broadcast(line);
}

void PartyCore::Broadcast(std::string_view lines, const Member* from) {
    if (closingAll) return;
    round.append(lines);
    if (!from) return;
    if (!roundShares.empty() && roundShares.back().sender == from->sender) {
        roundShares.back().bytes += lines.size();
    } else {
        roundShares.push_back(QueueMemory::Share{from->sender, lines.size()});
    }
}

void PartyCore::Say(Member& member, std::string_view line, PartyClock::time_point now) {
    Broadcast(line, &member);
    if (closingAll || KindOfLine(line) != LineKind::Talk) return;
    Remember(line);
    if (!options.dice || !member.listedName) return;
    // A command counts only under the name the relay holds for this participant.
    const std::string_view listed = *member.listedName;
    std::string_view text = line.substr(
        wire::kTalkPrefix.size(), line.size() - wire::kTalkPrefix.size() - wire::kLineEnd.size());
    if (!text.starts_with(listed) ||
        !text.substr(listed.size()).starts_with(wire::NameSeparator())) {
        return;
    }
    text.remove_prefix(listed.size() + wire::NameSeparator().size());
    if (!MayHoldCommand(text)) return;
    // Copied: a line to one participant may cut this one off, and its slot is freed with it.
    const std::string name(listed);
    const std::string command = Utf8FromCp932(text);
    if (const auto number = ReadRevealRequest(command)) {
        Reveal(member, name, *number, now);
    } else {
        RollFor(member, name, command, now);
    }
}

std::optional<std::string> PartyCore::Defused(Member& member, std::string_view line) {
    const std::string_view mark = wire::DiceMark();
    const std::string_view text = line.substr(wire::kTalkPrefix.size());
    std::size_t at = 0;
    if (text.starts_with(mark)) {
        at = wire::kTalkPrefix.size();
    } else {
        static const std::string afterName = std::string(wire::NameSeparator()) + std::string(mark);
        // Most lines hold no mark at all, and this finds that at once.
        if (text.find(afterName) == std::string_view::npos) return std::nullopt;
        const std::size_t separator = Cp932Find(text, wire::NameSeparator());
        if (separator == std::string_view::npos ||
            !text.substr(separator + wire::NameSeparator().size()).starts_with(mark)) {
            return std::nullopt;
        }
        at = wire::kTalkPrefix.size() + separator + wire::NameSeparator().size();
    }
    std::string defused(line);
    defused.replace(at, mark.size(), DefusedMark());
    LogDefused(member);
    return defused;
}

void PartyCore::LogDefused(Member& member) {
    if (std::exchange(member.markLogged, true)) return;
    Log("ダイスの印：クライアント No." + std::to_string(SlotOf(member)) +
        " が【ダイス】を付けて送ったため、［ダイス］に書き換えました");
}

void PartyCore::RollFor(Member& member, std::string_view name, std::string_view command,
                        PartyClock::time_point now) {
    const DiceOutcome outcome = RollDiceCommand(command, dice);
    if (outcome.kind == DiceOutcome::Kind::NotCommand) return;
    const auto notice = [&](std::string_view why) {
        SendTo(&member, nullptr, wire::RelayDiceLine(name, Cp932FromUtf8(why)), now);
    };
    if (outcome.kind == DiceOutcome::Kind::Refused) {
        notice(outcome.text);
        return;
    }
    const std::string result = Cp932FromUtf8(outcome.text);
    const std::size_t extra = outcome.secret ? kSecretLineExtra : 0;
    if (wire::RelayDiceLine(name, result).size() + extra > kLongestLine) {
        notice("結果が長すぎます");
        return;
    }
    if (!outcome.secret) {
        const std::string line = wire::RelayDiceLine(name, result);
        Broadcast(line, &member);
        Remember(line);
        return;
    }
    const std::uint32_t serial = member.serial;
    const int number = ++member.secretRolls;
    const std::string key = HexOf(dice.Key());
    SendTo(&member, nullptr, wire::RelayDiceLine(name, Cp932FromUtf8("（シークレット）") + result),
           now);
    if (!Present(member, serial)) return;
    SendTo(nullptr, &member,
           wire::RelayDiceLine(name, Cp932FromUtf8("シークレットダイス #" + std::to_string(number) +
                                                   " 封印 " + SealOf(result, key))),
           now);
    member.sealed.push_back(SealedRoll{number, result, key});
    if (member.sealed.size() > kSealedRolls) member.sealed.pop_front();
}

void PartyCore::Reveal(Member& member, std::string_view name, int number,
                       PartyClock::time_point now) {
    auto sealed = member.sealed.end();
    if (number == 0 && !member.sealed.empty()) {
        sealed = std::prev(sealed);
    } else {
        sealed = std::find_if(member.sealed.begin(), member.sealed.end(),
                              [&](const SealedRoll& roll) { return roll.number == number; });
    }
    if (sealed == member.sealed.end()) {
        const std::string which = number == 0 ? "" : "#" + std::to_string(number) + " の";
        SendTo(&member, nullptr,
               wire::RelayDiceLine(
                   name, Cp932FromUtf8(which + "公開できるシークレットダイスはありません")),
               now);
        return;
    }
    const std::string text = Cp932FromUtf8("公開 #" + std::to_string(sealed->number) + " ") +
                             sealed->result + Cp932FromUtf8(" 鍵:") + sealed->key;
    member.sealed.erase(sealed);
    const std::string line = wire::RelayDiceLine(name, text);
    Broadcast(line, &member);
    Remember(line);
}

void PartyCore::SendTo(const Member* only, const Member* except, std::string line,
                       PartyClock::time_point now) {
    // Whatever was broadcast before leaves first.
    Flush(now);
    // A line for everyone but one is the party's, as a broadcast is.
    if (!only) Remember(line);
    const SendQueue::Lines lines = memory.Hold(std::move(line));
    for (std::size_t slot = 0; slot < members.size(); ++slot) {
        Member& member = members[slot];
        if (!member.occupied || (only && &member != only) || &member == except) continue;
        if (!QueueFor(member, lines, 0, now)) cutOffs.push_back(slot);
    }
    for (const std::size_t slot : cutOffs) CutOff(members[slot]);
    cutOffs.clear();
}

void PartyCore::LetWaitingGo(Member& member, PartyClock::time_point now) {
    const std::uint32_t serial = member.serial;
    while (WaitingBytes(member) > 0 && member.turn <= now) {
        const std::string_view waiting =
            std::string_view(member.waiting).substr(member.waitingFrom);
        // Each waiting line ends at its first CR LF: a line's text holds none.
        const std::size_t end = waiting.find(wire::kLineEnd) + wire::kLineEnd.size();
        member.waitingFrom += end;
        Say(member, waiting.substr(0, end), now);
        if (!Present(member, serial)) return;
        if (WaitingBytes(member) > 0) member.turn = member.gate->Take(now);
    }
    if (WaitingBytes(member) == 0) {
        // A flood's buffer is not kept for a participant who has calmed down.
        member.waiting = std::string();
        member.waitingFrom = 0;
    } else {
        if (member.waitingFrom >= kHeldBytes / 2) {
            member.waiting.erase(0, member.waitingFrom);
            member.waitingFrom = 0;
        }
        Schedule(member, member.turn);
    }
    Recheck(member);
}

std::size_t PartyCore::Room(const Member& member) const {
    const std::size_t held = WaitingBytes(member);
    if (held >= kHeldBytes || memory.Filling(*member.sender)) return 0;
    return kHeldBytes - held;
}

std::size_t PartyCore::ReadRoom(ConnectionId id) {
    Member* member = Find(id);
    if (!member) return 0;
    const std::size_t room = Room(*member);
    if (room == 0) {
        member->stalled = true;
        Recheck(*member);
    }
    return room;
}

void PartyCore::Recheck(Member& member) {
    if (!member.stalled) return;
    if (Room(member) > 0) {
        member.stalled = false;
        Act(PartyAction::Kind::ResumeReading, IdOf(SlotOf(member), member));
        return;
    }
    // Held back by the memory cap rather than its own waiting lines: looked at again whenever
    // memory is let go.
    if (WaitingBytes(member) < kHeldBytes && !member.memoryListed) {
        member.memoryListed = true;
        memoryStalled.push_back(IdOf(SlotOf(member), member));
    }
}

void PartyCore::ResumeWhereRoom() {
    if (memoryStalled.empty() || !memory.Released()) return;
    std::erase_if(memoryStalled, [&](ConnectionId id) {
        Member* member = Find(id);
        if (!member) return true;
        if (memory.Filling(*member->sender)) return false;
        member->memoryListed = false;
        Recheck(*member);
        return !member->memoryListed;
    });
}

void PartyCore::Unread(ConnectionId id, bool bytesWaiting, PartyClock::time_point now) {
    latest = std::max(latest, now);
    Member* member = Find(id);
    if (!member) return;
    if (!bytesWaiting) {
        member->gate->BacklogCleared();
        return;
    }
    if (WaitingBytes(*member) < kHeldBytes) return;  // the memory cap holds it back, not the gate
    // More of its lines wait than the relay holds for it, and it goes on sending. The reset at
    // close discards what it sent and the system still holds.
    if (member->gate->BackloggedTooLong(now)) {
        CutOff(*member);
        return;
    }
    Schedule(*member, member->gate->CutOffAt());
}

bool PartyCore::QueueFor(Member& member, const SendQueue::Lines& lines, std::size_t from,
                         PartyClock::time_point now) {
    const bool wasEmpty = member.queue.Empty();
    if (!member.queue.Push(lines, from, now)) return false;
    if (wasEmpty) Act(PartyAction::Kind::Write, IdOf(SlotOf(member), member));
    return true;
}

void PartyCore::Flush(PartyClock::time_point now) {
    latest = std::max(latest, now);
    if (round.empty()) return;
    const SendQueue::Lines lines = memory.Hold(std::move(round), std::move(roundShares));
    round.clear();
    roundShares.clear();
    int served = 0;
    for (std::size_t slot = 0; slot < members.size() && served < connectedCount; ++slot) {
        Member& member = members[slot];
        if (!member.occupied) continue;
        ++served;
        const std::size_t from = std::exchange(member.roundFrom, 0);
        if (from == lines->size()) continue;
        // More than a receiver that keeps reading ever falls behind.
        if (!QueueFor(member, lines, from, now)) cutOffs.push_back(slot);
    }
    for (const std::size_t slot : cutOffs) CutOff(members[slot]);
    cutOffs.clear();
}

void PartyCore::Taken(ConnectionId id, std::size_t count, PartyClock::time_point now) {
    latest = std::max(latest, now);
    Member* member = Find(id);
    if (!member) return;
    member->queue.Taken(count, now);
    // A receiver that keeps up takes everything at once; one that does not is looked at again
    // when it would be stuck.
    if (!member->queue.Empty()) Schedule(*member, member->queue.Deadline());
    ResumeWhereRoom();
}

void PartyCore::Ended(ConnectionId id, PartyClock::time_point now) {
    latest = std::max(latest, now);
    if (Member* member = Find(id)) Depart(*member, CloseKind::Orderly);
}

void PartyCore::Hold(ConnectionId id, PartyClock::time_point now) {
    latest = std::max(latest, now);
    Member* member = Find(id);
    if (!member) return;
    if (!member->named || options.seatGrace.count() <= 0) {
        Depart(*member, CloseKind::Orderly);
        return;
    }
    member->heldUntil = now + options.seatGrace;
    Schedule(*member, member->heldUntil);
}

void PartyCore::Resume(ConnectionId id, PartyClock::time_point now) {
    latest = std::max(latest, now);
    Member* member = Find(id);
    if (!member || member->heldUntil == kNever) return;
    member->heldUntil = kNever;
    // It could take nothing while it was away: it has the stuck rule's whole time from now.
    member->queue.Restart(now);
    if (member->queue.Empty()) return;
    Act(PartyAction::Kind::Write, IdOf(SlotOf(*member), *member));
    Schedule(*member, member->queue.Deadline());
}

void PartyCore::Remember(std::string_view line) {
    const std::size_t places = options.historyLines;
    if (places == 0 || line == wire::kBlankTalk || line.size() > options.historyBytes) return;
    if (past.size() < places) past.resize(places);
    while (pastCount > 0 &&
           (pastCount == places || pastBytes + line.size() > options.historyBytes)) {
        pastBytes -= past[pastFirst].line.size();
        pastFirst = (pastFirst + 1) % places;
        --pastCount;
    }
    // A place's buffer is kept for the line that takes it next: a busy party allocates nothing.
    PastLine& place = past[(pastFirst + pastCount) % places];
    place.line.assign(line);
    place.at = latest;
    pastBytes += line.size();
    ++pastCount;
}

std::vector<PartyCore::PastLine> PartyCore::History() const {
    std::vector<PastLine> lines;
    lines.reserve(pastCount);
    for (std::size_t i = 0; i < pastCount; ++i) lines.push_back(Past(i));
    return lines;
}

void PartyCore::SendHistory(ConnectionId id, PartyClock::time_point now) {
    latest = std::max(latest, now);
    Member* member = Find(id);
    if (!member || pastCount == 0) return;
    std::string lines(wire::HistoryStartLine());
    lines.reserve(pastBytes + 2 * lines.size());
    for (std::size_t i = 0; i < pastCount; ++i) lines += Past(i).line;
    lines += wire::HistoryEndLine();
    if (!QueueFor(*member, memory.Hold(std::move(lines)), 0, now)) CutOff(*member);
}

void PartyCore::Tick(PartyClock::time_point now) {
    latest = std::max(latest, now);
    while (!deadlines.empty() && deadlines.top().when <= now) {
        const Due due = deadlines.top();
        deadlines.pop();
        if (due.slot >= members.size()) continue;
        Member& member = members[due.slot];
        if (!member.occupied || member.serial != due.serial || member.scheduled != due.when) {
            continue;
        }
        member.scheduled = kNever;
        Review(member, now);
    }
}

PartyClock::time_point PartyCore::NextDeadline() const {
    return deadlines.empty() ? kNever : deadlines.top().when;
}

void PartyCore::Schedule(Member& member, PartyClock::time_point when) {
    if (when >= member.scheduled) return;
    member.scheduled = when;
    deadlines.push(Due{when, static_cast<std::uint32_t>(SlotOf(member)), member.serial});
    // Connections that come and go by the thousand must not leave their deadlines behind.
    if (deadlines.size() > 4 * members.size() + 64) RebuildDeadlines();
}

void PartyCore::RebuildDeadlines() {
    std::vector<Due> live;
    for (std::size_t slot = 0; slot < members.size(); ++slot) {
        const Member& member = members[slot];
        if (member.occupied && member.scheduled != kNever) {
            live.push_back(Due{member.scheduled, static_cast<std::uint32_t>(slot), member.serial});
        }
    }
    deadlines = decltype(deadlines)(std::greater<>(), std::move(live));
}

void PartyCore::Review(Member& member, PartyClock::time_point now) {
    const std::uint32_t serial = member.serial;
    if (now >= member.heldUntil) {
        Log("ブラウザ席 No." + std::to_string(SlotOf(member)) + " のページが " +
            std::to_string(options.seatGrace.count() / 1000) + " 秒のうちに戻りませんでした");
        Depart(member, CloseKind::Orderly);
        return;
    }
    const bool held = member.heldUntil != kNever;
    if (!member.named && now >= member.nameDeadline) {
        // A connection that never becomes a player would hold its slot and its address's
        // share of connections for good.
        Log("クライアント No." + std::to_string(SlotOf(member)) + " は名前を送らないまま " +
            std::to_string(options.nameTimeout.count() / 1000) + " 秒経ちました");
        Depart(member, CloseKind::Orderly);
        return;
    }
    // A receiver that takes no whole line, or a flooder whose backlog outlasted its time, holds
    // memory for nobody's good.
    // A held seat takes nothing and is not stuck for it.
    if ((!held && member.queue.Stuck(now)) || member.gate->CutOffAt() <= now) {
        CutOff(member);
        return;
    }
    LetWaitingGo(member, now);
    if (!Present(member, serial)) return;
    PartyClock::time_point next =
        std::min(held ? member.heldUntil : member.queue.Deadline(), member.gate->CutOffAt());
    if (!member.named) next = std::min(next, member.nameDeadline);
    if (next != kNever) Schedule(member, next);
}

void PartyCore::CutOff(Member& member) {
    member.queue.Clear();
    Depart(member, CloseKind::Reset);
}

void PartyCore::Depart(Member& member, CloseKind how) {
    const std::size_t slot = SlotOf(member);
    const ConnectionId id = IdOf(slot, member);
    Log("切断：クライアント No." + std::to_string(slot));
    if (member.named) {
        const int number = static_cast<int>(slot);
        std::string lines = wire::PdelLine(number);
        if (const Participant* record = roster.Find(number)) {
            const std::string departure = wire::DepartureLine(record->name);
            Remember(departure);
            lines += std::string(wire::kBlankTalk) + departure + std::string(wire::kBlankTalk);
            roster.RemoveById(number);
            rosterCurrent = false;
        }
        // Its slot is free before the lines go out: they reach everyone but the one who left,
        // and whoever has heard of its leaving finds the number free.
        Broadcast(lines);
    }
    FreeSlot(member);
    PartyAction close;
    close.kind = PartyAction::Kind::Close;
    close.connection = id;
    close.close = how;
    actions.push_back(std::move(close));
}

void PartyCore::FreeSlot(Member& member) {
    const auto from = connectionsFrom.find(member.peerAddress);
    if (from != connectionsFrom.end() && --from->second <= 0) connectionsFrom.erase(from);
    member.occupied = false;
    ++member.serial;
    member.named = false;
    member.listedName.reset();
    member.peerAddress.clear();
    member.splitter = LineSplitter();
    member.gate.reset();
    member.waiting = std::string();
    member.waitingFrom = 0;
    member.stalled = false;
    member.memoryListed = false;
    member.queue.Clear();
    member.sender.reset();
    member.scheduled = kNever;
    member.heldUntil = kNever;
    member.roundFrom = 0;
    member.sealed.clear();
    member.secretRolls = 0;
    member.markLogged = false;
    --connectedCount;
    // Its queue may have held what others wait for.
    ResumeWhereRoom();
}

void PartyCore::CloseAll() {
    closingAll = true;
    roster.Clear();
    round.clear();
    roundShares.clear();
    for (std::size_t slot = 0; slot < members.size(); ++slot) {
        Member& member = members[slot];
        if (!member.occupied) continue;
        PartyAction close;
        close.kind = PartyAction::Kind::Close;
        close.connection = IdOf(slot, member);
        close.quiet = true;
        FreeSlot(member);
        actions.push_back(std::move(close));
    }
}

void PartyCore::ClearRoster() {
    roster.Clear();
    for (Member& member : members) member.listedName.reset();
    rosterLines.clear();
    rosterCurrent = true;
}

const std::string& PartyCore::RosterLines() {
    if (!rosterCurrent) {
        rosterLines.clear();
        for (const Participant& present : roster.Participants()) {
            rosterLines += wire::PaddLine(present.name, present.id);
        }
        rosterCurrent = true;
    }
    return rosterLines;
}

std::size_t PartyCore::Pending(ConnectionId id, std::span<std::string_view> out) const {
    const Member* member = Find(id);
    return member ? member->queue.Front(out) : 0;
}

}  // namespace vesk
