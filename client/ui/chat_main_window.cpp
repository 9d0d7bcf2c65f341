#include "client/ui/chat_main_window.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QGuiApplication>
#include <QListWidget>
#include <QMenuBar>
#include <QMessageBox>
#include <QScreen>

#include "client/rules/commands.h"
#include "client/rules/toolbar_layout.h"
#include "client/rules/window_layout.h"
#include "client/ui/chat_input.h"
#include "client/ui/chat_log.h"
#include "client/ui/client_pictures.h"
#include "client/ui/flat_toolbar.h"
#include "ui/cp932_text.h"

namespace vesk {

namespace {

QComboBox* ToolbarComboBox(FlatToolbar* toolbar, int x) {
    auto* box = new QComboBox(toolbar);
    box->setGeometry(x, kComboTop, kComboWidth, box->sizeHint().height());
    return box;
}

void SetGeometry(QWidget* control, const ControlRect& rect) {
    control->setGeometry(rect.x, rect.y, rect.width, rect.height);
}

}  // namespace

// The window's client area below the menu bar: it places the controls whenever its size changes.
class ChatMainWindow::ClientArea final : public QWidget {
public:
    explicit ClientArea(ChatMainWindow* window) : QWidget(window), window(window) {}

protected:
    void resizeEvent(QResizeEvent*) override { window->LayOut(); }

private:
    ChatMainWindow* window;
};

ChatMainWindow::ChatMainWindow(ChatWindowHooks hooks)
    : hooks(std::move(hooks)),
      area(new ClientArea(this)),
      chatLog(new ChatLog(this->hooks.runCommand, area)),
      chatInput(new ChatInput(this->hooks.enter, this->hooks.runCommand, area)),
      participantList(new QListWidget(area)),
      toolbar(new FlatToolbar(area, *this)),
      // Measured once: the log and the list always start where the toolbar ended when it
      // was made.
      toolbarHeight(toolbar->height()),
      diceBox(*ToolbarComboBox(toolbar, kDiceComboLeft)),
      nameBox(*ToolbarComboBox(toolbar, kNameComboLeft)) {
    setWindowTitle(QStringLiteral("VeskChat"));
    setWindowIcon(QIcon(ClientIconPath()));
    setCentralWidget(area);
    participantList->setSelectionMode(QAbstractItemView::SingleSelection);
    // Rows of one height: adding one does not measure all the others.
    participantList->setUniformItemSizes(true);
    connect(toolbar, &FlatToolbar::CommandClicked, this,
            [this](ChatCommand command) { this->hooks.runCommand(command); });
    CreateMenu();
    SetMenuState(MenuState::Idle);
}

ChatMainWindow::~ChatMainWindow() = default;

void ChatMainWindow::CreateMenu() {
    QMenu* file = menuBar()->addMenu(QStringLiteral("ファイル(&F)"));
    AddCommand(file, ChatCommand::kConnect, QStringLiteral("接続(&S)\tCtrl + S"),
               QKeySequence(Qt::CTRL | Qt::Key_S));
    AddCommand(file, ChatCommand::kDisconnect, QStringLiteral("切断(&C)\tCtrl + Shift + S"),
               QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
    file->addSeparator();
    AddCommand(file, ChatCommand::kShowIp, QStringLiteral("IPアドレスを表示"));
    file->addSeparator();
    AddCommand(file, ChatCommand::kSaveLog, QStringLiteral("ログを保存"));
    AddCommand(file, ChatCommand::kSaveHtmlLog, QStringLiteral("ログをHTMLで保存"));
    AddCommand(file, ChatCommand::kClearScreen, QStringLiteral("画面をクリア"));
    file->addSeparator();
    AddCommand(file, ChatCommand::kQuit, QStringLiteral("終了(&Q)\tCtrl + Q"),
               QKeySequence(Qt::CTRL | Qt::Key_Q));
    QMenu* play = menuBar()->addMenu(QStringLiteral("プレイ(&P)"));
    AddCommand(play, ChatCommand::kRollDice, QStringLiteral("ダイスを振る\tCtrl + D"),
               QKeySequence(Qt::CTRL | Qt::Key_D));
    play->addSeparator();
    AddCommand(play, ChatCommand::kReloadDice, QStringLiteral("ダイスの再読み込み"));
    AddCommand(play, ChatCommand::kReloadNames, QStringLiteral("名前データの再読み込み"));
    play->addSeparator();
    QMenu* tools = menuBar()->addMenu(QStringLiteral("ツール(&T)"));
    AddCommand(tools, ChatCommand::kOptions, QStringLiteral("基本設定(&O)"));
    AddCommand(tools, ChatCommand::kChangeFont, QStringLiteral("フォントの変更(&F)"));
    QMenu* help = menuBar()->addMenu(QStringLiteral("ヘルプ(&H)"));
    AddCommand(help, ChatCommand::kHelp, QStringLiteral("ヘルプ(&H)"));
    help->addSeparator();
    AddCommand(help, ChatCommand::kAbout, QStringLiteral("バージョン情報(&A)"));
}

void ChatMainWindow::AddCommand(QMenu* menu, ChatCommand command, const QString& text,
                                const QKeySequence& keys) {
    QAction* action = menu->addAction(text);
    action->setData(static_cast<int>(command));
    // Accelerators work anywhere in the window, and not at all while their item is greyed.
    action->setShortcut(keys);
    action->setShortcutContext(Qt::WindowShortcut);
    connect(action, &QAction::triggered, this, [this, command] { hooks.runCommand(command); });
    commands[command] = action;
}

QAction* ChatMainWindow::CommandAction(ChatCommand command) const {
    const auto found = commands.find(command);
    return found == commands.end() ? nullptr : found->second;
}

void ChatMainWindow::LayOut() {
    const WindowLayout layout = LayOutWindow(area->width(), area->height(), toolbarHeight);
    SetGeometry(toolbar, layout.toolbar);
    SetGeometry(chatLog, layout.chatLog);
    SetGeometry(participantList, layout.participantList);
    SetGeometry(chatInput, layout.chatInput);
}

void ChatMainWindow::AppendChatLog(std::string_view text) { hooks.lineShown(text); }

void ChatMainWindow::AddParticipantRow(std::string_view name) {
    participantList->addItem(FromCp932(name));
}

void ChatMainWindow::DeleteParticipantRow(int index) { delete participantList->takeItem(index); }

void ChatMainWindow::ClearParticipantRows() { participantList->clear(); }

void ChatMainWindow::ShowMessage(std::string_view text) {
    // Over the window once it is on the screen, so the box opens where the player looks.
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("VeskChat"), FromCp932(text),
                    QMessageBox::Ok, isVisible() ? this : nullptr);
    box.exec();
}

void ChatMainWindow::SetMenuState(MenuState state) {
    for (const ChatCommand command : {ChatCommand::kConnect, ChatCommand::kDisconnect}) {
        commands.at(command)->setEnabled(CommandAllowed(command, state));
    }
}

std::string ChatMainWindow::CurrentPlayerName() { return nameBox.Text(); }

void ChatMainWindow::PostToMainThread(std::function<void()> task) {
    QMetaObject::invokeMethod(this, std::move(task), Qt::QueuedConnection);
}

WindowPlacement ChatMainWindow::Placement() const {
    const QRect outer = frameGeometry();
    return {outer.x(), outer.y(), outer.width(), outer.height()};
}

bool ChatMainWindow::PlacementShown() const { return isVisible() && !isMinimized(); }

void ChatMainWindow::Place(const WindowPlacement& outer) {
    placement = outer;
    ApplyPlacement();
}

QSize ChatMainWindow::FrameSize() const { return frameGeometry().size() - geometry().size(); }

void ChatMainWindow::ApplyPlacement() {
    placedFrame = FrameSize();
    move(placement->posX, placement->posY);
    resize(placement->width - placedFrame.width(), placement->height - placedFrame.height());
}

void ChatMainWindow::moveEvent(QMoveEvent* event) {
    QMainWindow::moveEvent(event);
    if (placement && FrameSize() != placedFrame) {
        ApplyPlacement();
        placement.reset();
    }
    hooks.moved();
}

void ChatMainWindow::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    hooks.moved();
}

void ChatMainWindow::closeEvent(QCloseEvent* event) {
    hooks.closing();
    event->accept();
}

}  // namespace vesk
