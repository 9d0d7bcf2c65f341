// The chat log over a long evening: its bound, the clear-screen command, arrival times and
// the highlight in the window, the nudge, and the log as an HTML page.

#include <QCheckBox>
#include <QDir>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QTextBlock>
#include <QtTest>

#include "client/rules/commands.h"
#include "client/ui/chat_log.h"
#include "client/ui/option_dialog.h"
#include "protocol/cp932.h"
#include "tests/client/ui/test_client.h"
#include "tests/support/modal_driver.h"

using vesk::test::ModalDriver;
using vesk::test::TestClient;

namespace {

std::string Sjis(const char* utf8) { return vesk::Cp932FromUtf8(utf8); }

// A time of day today, in local time whatever the zone.
std::time_t At(int hour, int minute, int second) {
    const std::time_t now = std::time(nullptr);
    std::tm local = *std::localtime(&now);
    local.tm_hour = hour;
    local.tm_min = minute;
    local.tm_sec = second;
    return std::mktime(&local);
}

}  // namespace

class ChatLogTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void keepsTheNewestLinesWithinItsBoundAndClearsWhole() {
        vesk::ChatLog log({}, nullptr, {4, 1000});
        for (int line = 0; line < 6; ++line)
            log.Append("talkline " + std::to_string(line) + "\r\n");
        QCOMPARE(log.toPlainText(),
                 QStringLiteral("talkline 2\ntalkline 3\ntalkline 4\ntalkline 5\n"));
        // One append of several lines keeps within the bound too.
        log.Append("a\r\nb\r\nc\r\n");
        QCOMPARE(log.toPlainText(), QStringLiteral("talkline 5\na\nb\nc\n"));
        QCOMPARE(log.FileText(), "talkline 5\r\na\r\nb\r\nc\r\n");
        log.ClearLog();
        QCOMPARE(log.FileText(), "");
        // The bound starts afresh: four new lines all stay.
        for (const char* line : {"1\r\n", "2\r\n", "3\r\n", "4\r\n"}) log.Append(line);
        QCOMPARE(log.document()->blockCount(), 5);

        // A flood of long lines keeps to the byte bound: 64 KB hold 16 lines of 4 KB.
        vesk::ChatLog flooded({}, nullptr, {1000, 64 * 1024});
        const std::string line(4094, 'x');
        for (int i = 0; i < 100; ++i) flooded.Append(line + "\r\n");
        QCOMPARE(flooded.document()->blockCount(), 16 + 1);
    }

    void timesAndHighlightShowInTheWindowButNotInTheSavedLog() {
        vesk::ChatLog log({}, nullptr);
        log.Append(Sjis("Ben：Aya、どうぞ\r\n"), {At(21, 3, 5), true, true});
        log.Append("\r\n", {At(21, 3, 6), true, false});  // blank: no time in front
        log.Append(Sjis("Aya：はい\r\n"), {At(21, 4, 0), true, false});
        QCOMPARE(log.toPlainText(),
                 QStringLiteral("21:03:05 Ben：Aya、どうぞ\n\n21:04:00 Aya：はい\n"));
        QCOMPARE(log.FileText(), Sjis("Ben：Aya、どうぞ\r\n\r\nAya：はい\r\n"));
        const std::vector<vesk::LoggedLine> lines = log.Lines();
        QCOMPARE(lines.size(), std::size_t{3});
        QCOMPARE(lines[0], (vesk::LoggedLine{Sjis("Ben：Aya、どうぞ"), 21 * 3600 + 3 * 60 + 5}));
        QCOMPARE(lines[2].secondOfDay, 21 * 3600 + 4 * 60);
        // A byte pair that code page 932 does not define is saved as it came, whatever the
        // window shows for it.
        const std::string undefined = Sjis("Ben：") + "\x85\x40";
        log.Append(undefined + "\r\n", {At(21, 4, 1), false, false});
        QCOMPARE(log.FileText(),
                 Sjis("Ben：Aya、どうぞ\r\n\r\nAya：はい\r\n") + undefined + "\r\n");
        QCOMPARE(log.Lines().back().text, undefined);
        // The highlighted line has a background; the others none.
        QTextCursor first(log.document()->firstBlock());
        first.movePosition(QTextCursor::EndOfBlock);
        QVERIFY(first.charFormat().hasProperty(QTextFormat::BackgroundBrush));
        QTextCursor last(log.document()->findBlockByNumber(2));
        last.movePosition(QTextCursor::EndOfBlock);
        QVERIFY(!last.charFormat().hasProperty(QTextFormat::BackgroundBrush));
    }

    void linesThatNameThePlayerAreHighlightedUnlessTurnedOff() {
        TestClient test;
        {
            QSettings stored(test.SettingsFile(), QSettings::IniFormat);
            stored.setValue("Option/ShowTimes", 1);
        }
        vesk::ChatClient& client = test.Make();
        client.Start();
        client.Window().NameBox().Box().setEditText(QStringLiteral("Aya"));
        client.Window().AppendChatLog(Sjis("Ben：Aya、どうぞ\r\n"));
        const auto highlighted = [&](int line) {
            const QTextBlock block = client.Window().Log().document()->findBlockByNumber(line);
            QTextCursor end(block);
            end.movePosition(QTextCursor::EndOfBlock);
            return end.charFormat().hasProperty(QTextFormat::BackgroundBrush);
        };
        QVERIFY(highlighted(0));
        QVERIFY(client.Window().Log().document()->firstBlock().text().contains(
            QRegularExpression("^\\d\\d:\\d\\d:\\d\\d Ben：")));

        // Turned off in the options dialog's second section, and kept.
        ModalDriver driver;
        driver.WhenShown<vesk::OptionDialog>([](vesk::OptionDialog* dialog) {
            QVERIFY(dialog->HighlightBox()->isChecked());
            QVERIFY(dialog->TimesBox()->isChecked());
            dialog->HighlightBox()->click();
            dialog->OkButton()->click();
        });
        client.RunCommand(vesk::ChatCommand::kOptions);
        client.Window().AppendChatLog(Sjis("Ben：Aya、まだ？\r\n"));
        QVERIFY(!highlighted(1));
        QSettings saved(test.SettingsFile(), QSettings::IniFormat);
        QCOMPARE(saved.value("Option/HighlightName").toInt(), 0);
        QCOMPARE(saved.value("Option/ShowTimes").toInt(), 1);
        QCOMPARE(saved.value("Option/Record").toInt(), 1);
    }

    void savesTheLogAsOneHtmlPage() {
        TestClient test;
        vesk::ChatClient& client = test.Make();
        client.Start();
        client.Window().AppendChatLog(Sjis("Aya：こんにちは <3\r\n"));
        client.Window().AppendChatLog(Sjis("Ben：ころりんこ。。。2D[6] = 3+4 = 7\r\n"));
        const auto saved = test.Save(vesk::ChatCommand::kSaveHtmlLog, QStringLiteral("*.html"));
        QCOMPARE(saved.files.size(), 1);
        QCOMPARE(saved.message,
                 QStringLiteral("ファイル名 %1 でログを保存しました").arg(saved.files[0]));
        const QString page = QString::fromUtf8(saved.bytes);
        QVERIFY(page.contains(QStringLiteral("こんにちは &lt;3")));
        QVERIFY(page.contains(QStringLiteral("<tr class=\"dice\">")));
        QVERIFY(page.contains(QString::fromStdString("color:" + vesk::SpeakerColour("Aya"))));
        // The menu offers it right after the text log.
        const QList<QAction*> menu =
            client.Window().menuBar()->actions().first()->menu()->actions();
        const auto saveLog =
            menu.indexOf(client.Window().CommandAction(vesk::ChatCommand::kSaveLog));
        QCOMPARE(menu.value(saveLog + 1),
                 client.Window().CommandAction(vesk::ChatCommand::kSaveHtmlLog));
        QCOMPARE(menu.value(saveLog + 1)->text(), QStringLiteral("ログをHTMLで保存"));
    }
};

QTEST_MAIN(ChatLogTest)
#include "chat_log_test.moc"
