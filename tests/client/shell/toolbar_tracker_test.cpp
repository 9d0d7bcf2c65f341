#include "client/shell/toolbar_tracker.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "client/shell/toolbar_records.h"

namespace vesk {

void PrintTo(const ToolbarResponse& r, std::ostream* out) {
    *out << (r.repaint ? "repaint" : "no repaint");
    if (r.command) *out << ", command " << *r.command;
}

void PrintTo(ToolbarButtonState state, std::ostream* out) {
    static const char* const names[] = {"normal", "hot", "pressed", "pressed-away"};
    *out << names[static_cast<int>(state)];
}

namespace {

using State = ToolbarButtonState;
using Draws = std::vector<std::string>;

// Writes each drawing as "what x,y/image": a look or rule at its record's top left corner, an
// image at its place.
class RecordingPainter : public ToolbarPainter {
public:
    void DrawNormal(const ToolbarRect& r, int image) override { Add("normal", r, image); }
    void DrawHot(const ToolbarRect& r, int image) override { Add("hot", r, image); }
    void DrawPressed(const ToolbarRect& r, int image) override { Add("pressed", r, image); }
    void DrawSeparatorRule(const ToolbarRect& r) override { Add("rule", r, -1); }
    void DrawNormalImage(int image, ToolbarPoint at) override { Add("normal image", at, image); }
    void DrawHotImage(int image, ToolbarPoint at) override { Add("hot image", at, image); }

    Draws draws;

private:
    void Add(const char* what, const ToolbarRect& r, int image) {
        Add(what, ToolbarPoint{r.left, r.top}, image);
    }
    void Add(const char* what, ToolbarPoint at, int image) {
        draws.push_back(std::string(what) + ' ' + std::to_string(at.x) + ',' +
                        std::to_string(at.y) + '/' + std::to_string(image));
    }
};

// Two buttons, so that a press on one can be held while the pointer is over the other:
// blank [0, 8), A [8, 31), B [31, 54), etched rule [54, 62).
std::vector<ToolbarButtonRecord> TwoButtons() {
    return {{ToolbarRecordStyle::kSeparator, kBlankSeparator},
            {ToolbarRecordStyle::kButton, 205},
            {ToolbarRecordStyle::kButton, 206},
            {ToolbarRecordStyle::kSeparator, 0}};
}
const std::string kHotA = "hot 8,2/0", kNormalA = "normal 8,2/0", kPressedA = "pressed 8,2/0";
const std::string kHotB = "hot 31,2/1", kPressedB = "pressed 31,2/1", kRule = "rule 54,2/-1";
const std::string kImageA = "normal image 11,5/0", kHotImageA = "hot image 11,5/0";
const std::string kImageB = "normal image 34,5/1", kHotImageB = "hot image 34,5/1";

enum class Kind { kMove, kAway, kDown, kUp, kPaint };
struct Event {
    Kind kind;
    ToolbarPoint at{};
};

ToolbarResponse Apply(ToolbarTracker& tracker, ToolbarPainter& painter, const Event& e) {
    switch (e.kind) {
        case Kind::kMove:
            return tracker.OnMouseMove(painter, e.at, true);
        case Kind::kAway:
            return tracker.OnMouseMove(painter, e.at, false);
        case Kind::kDown:
            return tracker.OnLButtonDown(painter, e.at);
        case Kind::kUp:
            return tracker.OnLButtonUp(painter, e.at);
        case Kind::kPaint:
            tracker.OnPaint(painter);
            return {};
    }
    return {};
}

TEST(ToolbarRecordsTest, DiceTableLiesBetweenTheComboBoxes) {
    const std::vector<ToolbarButtonRecord> records = DiceToolbarButtons();
    ASSERT_EQ(records.size(), 23u);
    for (int i = 0; i < 23; ++i) {
        EXPECT_EQ(records[i].IsSeparator(), i != 20) << i;
        EXPECT_EQ(records[i].command, i == 20 ? 205 : i == 22 ? 0 : -1) << i;
    }
    const std::vector<ToolbarRect> rects = LayOutToolbarRecords(records);
    EXPECT_EQ(rects[0], (ToolbarRect{0, 2, 8, 24}));
    EXPECT_EQ(rects[20], (ToolbarRect{160, 2, 183, 24}));
    EXPECT_EQ(rects[22], (ToolbarRect{191, 2, 199, 24}));
    // The dice button clear of the dice combo box, the etched rule's two lines before the name
    // combo box.
    EXPECT_GE(rects[20].left, kDiceComboLeft + kComboWidth);
    EXPECT_LT(rects[22].left + 4, kNameComboLeft);
}

TEST(ToolbarTrackerTest, HitTestCountsEveryEdgeAndOnlyButtonsInImages) {
    const ToolbarTracker tracker(DiceToolbarButtons());
    // {x, y, record, image}. Neighbours share their common edge; the one listed first wins it.
    const int cases[][4] = {
        {170, 12, 20, 0}, {183, 12, 20, 0},  {160, 12, 19, 0},  {170, 2, 20, 0},
        {170, 24, 20, 0}, {170, 1, -1, -1},  {170, 25, -1, -1}, {186, 12, 21, 1},
        {199, 12, 22, 1}, {200, 12, -1, -1}, {-1, 12, -1, -1},
    };
    for (const auto& c : cases) {
        const ToolbarHit hit = tracker.HitTest({c[0], c[1]});
        EXPECT_EQ(hit.index, c[2]) << c[0] << ',' << c[1];
        EXPECT_EQ(hit.image, c[3]) << c[0] << ',' << c[1];
    }
}

// After the events before, one event draws draws, leaves buttons A and B in states a and b with
// paintOverlay at overlay, and has the control respond with response.
struct TransitionCase {
    const char* name;
    std::vector<Event> before;
    Event event;
    Draws draws;
    State a;
    State b;
    int overlay;
    ToolbarResponse response;
};

TEST(ToolbarTrackerTest, PointerEventsAndPaintsFollowTheTransitionTable) {
    const State normal = State::kNormal, hot = State::kHot, held = State::kPressed,
                away = State::kPressedAway;
    const ToolbarResponse none, repaint{true, {}}, click{true, 205};
    const ToolbarPoint onA{15, 12}, onB{40, 12}, onBlank{4, 12}, onEmpty{100, 12};
    const Event moveA{Kind::kMove, onA}, moveA2{Kind::kMove, {20, 20}}, moveB{Kind::kMove, onB},
        moveBlank{Kind::kMove, onBlank}, moveRule{Kind::kMove, {57, 12}},
        moveEmpty{Kind::kMove, onEmpty}, leave{Kind::kAway, onA}, dragBelow{Kind::kAway, {15, 30}},
        downA{Kind::kDown, onA}, downB{Kind::kDown, onB}, downBlank{Kind::kDown, onBlank},
        downEmpty{Kind::kDown, onEmpty}, upA{Kind::kUp, onA}, upB{Kind::kUp, onB},
        upEmpty{Kind::kUp, onEmpty}, paint{Kind::kPaint};
    const std::vector<Event> pressA{moveA, downA, paint};
    const std::vector<Event> dragOff{moveA, downA, paint, moveEmpty, paint};
    const std::vector<Event> pressThenB{moveA, downA, moveB};
    const std::vector<Event> offAndBack{moveA, downA, moveEmpty, moveA};
    const std::vector<Event> blankThenA{downBlank, moveA};
    const std::vector<Event> staleLook{moveA, downA, moveEmpty, paint, upEmpty, moveB};
    const Draws atRest{kImageA, kImageB, kRule}, hotA{kHotImageA, kImageB, kRule};
    const TransitionCase cases[] = {
        {"normal to hot", {}, moveA, {kHotA}, hot, normal, -1, none},
        {"within the hot button", {moveA}, moveA2, {}, hot, normal, -1, none},
        {"blank separator never hot", {}, moveBlank, {}, normal, normal, -1, none},
        {"etched rule never hot", {}, moveRule, {}, normal, normal, -1, none},
        {"hot onto another button", {moveA}, moveB, {kNormalA, kHotB}, normal, hot, -1, none},
        {"hot onto a separator", {moveA}, moveBlank, {kNormalA}, normal, normal, -1, none},
        {"hot onto an empty part", {moveA}, moveEmpty, {kNormalA}, normal, normal, -1, none},
        {"hot onto a combo box or away", {moveA}, leave, {kNormalA}, normal, normal, -1, none},
        {"away with nothing hot", {}, leave, {}, normal, normal, -1, none},
        {"hot to pressed", {moveA}, downA, {kPressedA}, held, normal, 0, repaint},
        {"press with no move before it", {}, downA, {kPressedA}, held, normal, 0, repaint},
        {"press on a blank separator", {moveBlank}, downBlank, {}, normal, normal, -1, none},
        {"press on an empty part", {}, downEmpty, {}, normal, normal, -1, none},
        {"pressed, released over it", pressA, upA, {kHotA}, hot, normal, 1, click},
        {"pressed, moves within it", pressA, moveA2, {}, held, normal, -1, none},
        {"pressed to pressed-away", pressA, moveEmpty, {kNormalA}, away, normal, -1, repaint},
        {"pressed, dragged off", pressA, dragBelow, {kNormalA}, away, normal, -1, repaint},
        {"pressed-away back to pressed", dragOff, moveA, {kPressedA}, held, normal, 0, repaint},
        {"pressed-away, released elsewhere", dragOff, upEmpty, {}, normal, normal, -1, repaint},
        {"pressed-away onto another button", dragOff, moveB, {kHotB}, away, hot, 1, repaint},
        {"pressed A, released on B", pressThenB, upB, {kHotB}, normal, hot, 1, repaint},
        {"dragged off and back, released", offAndBack, upA, {kHotA}, hot, normal, 1, click},
        {"pressed on a blank, released on A", blankThenA, upA, {kHotA}, hot, normal, 1, none},
        // A paint draws rules and images, no borders, then once the border of the look last set.
        {"paint at rest", {}, paint, atRest, normal, normal, -1, none},
        {"paint with nothing pending", {moveA}, paint, hotA, hot, normal, -1, none},
        {"paint after a press",
         {moveA, downA},
         paint,
         {hotA[0], kImageB, kRule, kPressedA},
         held,
         normal,
         -1,
         none},
        {"paint after it", pressA, paint, hotA, held, normal, -1, none},
        {"paint after a release",
         {moveA, downA, upA},
         paint,
         {hotA[0], kImageB, kRule, kHotA},
         hot,
         normal,
         -1,
         none},
        {"paint of B pressed",
         {moveB, downB},
         paint,
         {kImageA, kHotImageB, kRule, kPressedB},
         normal,
         held,
         -1,
         none},
        {"paint with nothing hot",
         {moveA, downA, moveEmpty},
         paint,
         atRest,
         away,
         normal,
         -1,
         none},
        // A look set for a button no longer hot is dropped, not drawn on the next one.
        {"no stale look", staleLook, paint, {kImageA, kHotImageB, kRule}, normal, hot, -1, none},
    };
    for (const TransitionCase& c : cases) {
        SCOPED_TRACE(c.name);
        ToolbarTracker tracker(TwoButtons());
        RecordingPainter setup, painter;
        for (const Event& e : c.before) Apply(tracker, setup, e);
        EXPECT_EQ(Apply(tracker, painter, c.event), c.response);
        EXPECT_EQ(painter.draws, c.draws);
        EXPECT_EQ(tracker.State(1), c.a);
        EXPECT_EQ(tracker.State(2), c.b);
        EXPECT_EQ(tracker.PaintOverlay(), c.overlay);
    }
}

}  // namespace
}  // namespace vesk
