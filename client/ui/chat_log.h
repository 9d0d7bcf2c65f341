#pragma once

// The chat log: the conversation as the server relayed it, read-only. Beside the widget that
// shows them it keeps the newest lines as they arrived, within LogLimits (the session record
// on the disk keeps them all), each with its arrival time, shown in front of the line when the
// player asks for that; the saved logs are made from those lines, never from the widget's text.

#include <QPlainTextEdit>
#include <ctime>
#include <string>
#include <string_view>
#include <vector>

#include "client/app/chat_front_end.h"
#include "client/rules/chat_history.h"
#include "client/ui/context_menu.h"

namespace vesk {

class ChatLog : public QPlainTextEdit, public ChatLogView {
    Q_OBJECT

public:
    ChatLog(CommandRunner run, QWidget* parent, LogLimits limits = {});

    // Adds text (code page 932, lines ending in CR LF) at the end: any selection is dropped,
    // the oldest lines go when the log is full, and the log shows its newest line.
    void Append(std::string_view text, const LineLook& look = {}) override;

    // The clear-screen command: the log is empty.
    void ClearLog();
    void Clear() override { ClearLog(); }

    // The whole log as a saved file holds it: code page 932 with CR LF line ends, without the
    // arrival times.
    std::string FileText() const override { return history.FileText(); }

    // Every line with its arrival time, oldest first.
    std::vector<LoggedLine> Lines() const override { return history.Lines(); }

    void Copy() override { copy(); }

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    const CommandRunner run;
    ChatHistory history;
};

}  // namespace vesk
