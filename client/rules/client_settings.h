#pragma once

// What VeskChat remembers per user: where its window was, the connection defaults, the
// default player name and the font of the chat log and chat input. The values live in two
// groups of a settings store, "Info" (the placement) and "Option" (everything else), under
// the value names below; each is saved at the moment it changes, never at exit.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "client/message_box_view.h"
#include "client/net/client_connection.h"

namespace vesk {

// The options besides the server address and port, which are the connection's own target.
// Texts are code page 932; the defaults are what a first start uses.
struct ClientSettings {
    std::string name = DefaultPlayerName();  // default player name, at most 49 bytes
    std::string font = DefaultFontFace();    // face of the chat font, at most 31 bytes
    int fontSize = 14;                       // whole points
    // For a long evening: a session record on the disk, arrival times in the window, the
    // window asking for attention when a line arrives while it is inactive, and lines that
    // name the player highlighted.
    bool record = true;
    bool showTimes = false;
    bool nudge = true;
    bool highlightName = true;

    static std::string DefaultPlayerName();
    static std::string DefaultFontFace();

    bool operator==(const ClientSettings&) const = default;
};

// The main window's outer rectangle, frame and title bar included, in desktop pixels.
struct WindowPlacement {
    int posX = 0;
    int posY = 0;
    int width = 600;
    int height = 480;

    bool operator==(const WindowPlacement&) const = default;
};

// A screen's area on the desktop, and its dots per inch where the window system lays windows
// out in the screen's own pixels (96 is 100 %; Qt's desktop pixels are always at 96).
struct ScreenArea {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    int dpi = 96;
};

enum class SettingsGroup { Info, Option };

namespace setting {
inline constexpr std::string_view kPosX = "PosX";
inline constexpr std::string_view kPosY = "PosY";
inline constexpr std::string_view kWidth = "Width";
inline constexpr std::string_view kHeight = "Height";
inline constexpr std::string_view kIpAddress = "IPaddress";
inline constexpr std::string_view kName = "Name";
inline constexpr std::string_view kPort = "Port";
inline constexpr std::string_view kFont = "Font";
inline constexpr std::string_view kFontSize = "FontSize";
// 1 or 0.
inline constexpr std::string_view kRecord = "Record";
inline constexpr std::string_view kShowTimes = "ShowTimes";
inline constexpr std::string_view kNudge = "Nudge";
inline constexpr std::string_view kHighlightName = "HighlightName";
}  // namespace setting

// The per-user store: on Windows the registry key Software\Okvi\VeskChat, elsewhere a file.
class SettingsStore {
public:
    virtual ~SettingsStore() = default;

    // Whether the group exists at all.
    virtual bool HasGroup(SettingsGroup group) = 0;
    // Whether values can be written to the group, which is made if need be.
    virtual bool OpenForWriting(SettingsGroup group) = 0;
    // The stored value, or nothing when it is missing or of another type. Texts are code page
    // 932 and end at their first NUL.
    virtual std::optional<std::int32_t> ReadNumber(SettingsGroup group, std::string_view name) = 0;
    virtual std::optional<std::string> ReadText(SettingsGroup group, std::string_view name) = 0;
    // False when the value could not be written.
    virtual bool WriteNumber(SettingsGroup group, std::string_view name, std::int32_t value) = 0;
    virtual bool WriteText(SettingsGroup group, std::string_view name, std::string_view text) = 0;
    // What a failed write shows, in code page 932: it names where the settings live, the
    // registry unless the store says otherwise.
    virtual std::string WriteFailureMessage() const;
};

inline constexpr std::size_t kMaxAddressBytes = 99;
inline constexpr std::size_t kMaxFontFaceBytes = 31;
// A window's top-left corner must lie this far inside a screen's right and bottom edges.
inline constexpr int kOnScreenMargin = 50;

// The on-screen margin: the corner lies on one of the screens with kOnScreenMargin to spare
// right and below it.
bool OnScreen(const WindowPlacement& placement, const std::vector<ScreenArea>& screens);

// Reads everything at start-up. A value that is missing, of another type or too long for its
// field takes its default, and a placement that lies off every screen takes the placement of
// a first start, so the window never opens where the player cannot reach it. The default
// sizes are for 96 DPI and grow with the DPI of the screen at the desktop's origin, so that a
// first start on a screen at 200 % is not half the size it is meant to be. When the Option
// group cannot be opened, the defaults are used and written, and each failed write is shown.
WindowPlacement LoadSettings(SettingsStore& store, const std::vector<ScreenArea>& screens,
                             ConnectionTarget& target, ClientSettings& settings,
                             MessageBoxView& messages);

// Saves the placement of the visible, not minimised window when it passes the on-screen
// margin; a window moved off the screen keeps the last placement that was on it. True when
// it was saved (or its saving was tried and reported).
bool SaveWindowPlacement(SettingsStore& store, const WindowPlacement& outer, bool shown,
                         const std::vector<ScreenArea>& screens, MessageBoxView& messages);

// The options dialog's OK: address, default player name and port.
void SaveOptions(SettingsStore& store, const ConnectionTarget& target,
                 const ClientSettings& settings, MessageBoxView& messages);

// The options dialog's OK, for its second section: record, times, nudge and highlight.
void SaveEveningOptions(SettingsStore& store, const ClientSettings& settings,
                        MessageBoxView& messages);

// The font dialog's OK: face and size.
void SaveFontSettings(SettingsStore& store, const ClientSettings& settings,
                      MessageBoxView& messages);

// Whether a face name can be stored and read back: code page 932 holds it and it fits the
// face name field.
bool FontFaceFits(std::string_view utf8Face);

// The font dialog gives sizes to a tenth of a point; the store keeps whole points, rounded
// down (10.5 points become 10).
int WholePoints(double points);

// What the font dialog's OK stores as the face: the stored face unless the player picked
// another one than the dialog opened on. The dialog opens on the face the log is drawn with,
// which is a stand-in where the stored face is not installed; OK without a change must not
// put the stand-in in its place. Faces in UTF-8, the result in code page 932.
std::string FaceAfterFontDialog(const std::string& storedFace, std::string_view openedOn,
                                std::string_view chosen);

}  // namespace vesk
