#pragma once

// Which of the two File menu commands that begin and end a session a program offers: VeskChat's
// 接続 and 切断, VeskServer's サーバー開始 and サーバー終了.

namespace vesk {

enum class MenuState {
    Idle = 0,    // begin enabled, end greyed: not connected, or the server stopped
    Active = 1,  // begin greyed, end enabled: connected, or the server running
    // VeskChat joining the party again by itself: both enabled; 切断 stops the tries and 接続
    // stops them for another server. VeskServer has no such state.
    Rejoining = 2,
};

}  // namespace vesk
