#pragma once

// The chat log: the conversation as the server relayed it, read-only, kept whole all evening.

#include <QPlainTextEdit>
#include <string>
#include <string_view>

#include "client/ui/context_menu.h"

namespace vesk {

class ChatLog : public QPlainTextEdit {
    Q_OBJECT

public:
    ChatLog(CommandRunner run, QWidget* parent);

    // Adds text (code page 932, ending in CR LF) at the end: any selection is dropped and the
    // log shows its newest line.
    void Append(std::string_view text);

    // The whole log as a saved file holds it: code page 932 with CR LF line ends.
    std::string FileText() const;

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    const CommandRunner run;
};

}  // namespace vesk
