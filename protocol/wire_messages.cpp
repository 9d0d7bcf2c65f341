#include "protocol/wire_messages.h"

#include "protocol/cp932.h"

namespace vesk::wire {

namespace {

std::string Join(std::initializer_list<std::string_view> pieces) {
    std::string line;
    for (const std::string_view piece : pieces) line += piece;
    return line;
}

}  // namespace

std::string NameLine(std::string_view name) { return Join({name, kLineEnd}); }

std::string JoinAnnouncement(std::string_view name) {
    static const std::string joined = Cp932FromUtf8(" がパーティに参加しました");
    return Join({kTalkPrefix, name, joined, kLineEnd});
}

std::string ChatLine(std::string_view name, std::string_view text) {
    return Join({kTalkPrefix, name, NameSeparator(), text, kLineEnd});
}

std::string DiceLine(std::string_view name, std::string_view expression,
                     std::string_view rollDetails, int total) {
    static const std::string rattle = Cp932FromUtf8("：ころりんこ。。。");
    return Join({kTalkPrefix, name, rattle, expression, " = ", rollDetails, " = ",
                 std::to_string(total), kLineEnd});
}

std::string PaddLine(std::string_view name, int id) {
    return Join({kPaddPrefix, name, "\t", std::to_string(id), kLineEnd});
}

std::string PdelLine(int id) { return Join({kPdelPrefix, std::to_string(id), kLineEnd}); }

std::string DepartureLine(std::string_view name) {
    static const std::string left = Cp932FromUtf8(" がパーティから抜けました");
    return Join({name, left, kLineEnd});
}

std::string_view DiceMark() {
    static const std::string mark = Cp932FromUtf8("【ダイス】");
    return mark;
}

std::string RelayDiceLine(std::string_view name, std::string_view text) {
    return Join({kTalkPrefix, DiceMark(), name, NameSeparator(), text, kLineEnd});
}

std::string_view HistoryStartLine() {
    static const std::string line = Cp932FromUtf8("talk【これまでの会話】\r\n");
    return line;
}

std::string_view HistoryEndLine() {
    static const std::string line = Cp932FromUtf8("talk【ここまで】\r\n");
    return line;
}

std::string_view NameSeparator() {
    static const std::string colon = Cp932FromUtf8("：");
    return colon;
}

}  // namespace vesk::wire
