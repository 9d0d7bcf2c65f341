#include "client/ui/flat_toolbar.h"

#include <QChildEvent>
#include <QComboBox>
#include <QMouseEvent>
#include <QPainter>

#include "protocol/cp932.h"

namespace vesk {

namespace {

// A picture holds its images side by side, each this wide.
constexpr int kImageWidth = 16;

QPixmap LoadDie(const QString& path) {
    QPixmap picture(path);
    return picture.width() < kImageWidth ? QPixmap() : picture;
}

ToolbarPoint ToolbarPointOf(QPoint at) { return {at.x(), at.y()}; }

// Draws the looks on the toolbar's canvas in the palette's button face, shadow (Dark) and
// highlight (Light), and keeps the area it drew on.
class CanvasPainter final : public ToolbarPainter {
public:
    CanvasPainter(QPixmap& canvas, const QPalette& palette, const QPixmap& normalDie,
                  const QPixmap& hotDie)
        : painter(&canvas),
          face(palette.color(QPalette::Button)),
          shadow(palette.color(QPalette::Dark)),
          highlight(palette.color(QPalette::Light)),
          normalDie(normalDie),
          hotDie(hotDie) {}

    void DrawNormal(const ToolbarRect& r, int image) override {
        DrawNormalImage(image, ImagePlace(r));
        Border(r, face, face);
    }

    void DrawHot(const ToolbarRect& r, int image) override {
        DrawHotImage(image, ImagePlace(r));
        Border(r, highlight, shadow);
    }

    void DrawPressed(const ToolbarRect& r, int image) override {
        Fill(QRect(r.left + 1, r.top + 1, r.right - r.left - 2, r.bottom - r.top - 2), face);
        DrawHotImage(image, PressedImagePlace(r));
        Border(r, shadow, highlight);
    }

    void DrawSeparatorRule(const ToolbarRect& r) override {
        Fill(QRect(r.left + 3, r.top, 1, r.bottom - r.top), shadow);
        Fill(QRect(r.left + 4, r.top, 1, r.bottom - r.top), highlight);
    }

    void DrawNormalImage(int image, ToolbarPoint at) override { DrawImage(normalDie, image, at); }
    void DrawHotImage(int image, ToolbarPoint at) override { DrawImage(hotDie, image, at); }

    QRect Drawn() const { return drawn; }

private:
    void Fill(const QRect& area, const QColor& colour) {
        painter.fillRect(area, colour);
        drawn |= area;
    }

    // One-pixel edges, left and top in one colour, then right and bottom in the other.
    void Border(const ToolbarRect& r, const QColor& leftTop, const QColor& rightBottom) {
        const int width = r.right - r.left;
        const int height = r.bottom - r.top;
        Fill(QRect(r.left, r.top, 1, height), leftTop);
        Fill(QRect(r.left, r.top, width, 1), leftTop);
        Fill(QRect(r.right - 1, r.top, 1, height), rightBottom);
        Fill(QRect(r.left, r.bottom - 1, width, 1), rightBottom);
    }

    // The picture's transparency lets the toolbar show through; a missing picture or image
    // draws nothing.
    void DrawImage(const QPixmap& picture, int image, ToolbarPoint at) {
        if (picture.isNull() || image < 0 || (image + 1) * kImageWidth > picture.width()) return;
        const QRect source(image * kImageWidth, 0, kImageWidth, picture.height());
        painter.drawPixmap(QPoint(at.x, at.y), picture, source);
        drawn |= QRect(QPoint(at.x, at.y), source.size());
    }

    QPainter painter;
    const QColor face;
    const QColor shadow;
    const QColor highlight;
    const QPixmap& normalDie;
    const QPixmap& hotDie;
    QRect drawn;
};

}  // namespace

FlatToolbar::FlatToolbar(QWidget* parent, MessageBoxView& messages, const DiePictures& pictures)
    : QWidget(parent),
      tracker(DiceToolbarButtons()),
      normalDie(LoadDie(pictures.normal)),
      hotDie(LoadDie(pictures.hot)) {
    if (normalDie.isNull() || hotDie.isNull()) {
        messages.ShowMessage(Cp932FromUtf8("イメージリスト作成失敗"));
    }
    // A combo box like the main window's, in the font the toolbar has now.
    QComboBox probe;
    probe.setEditable(true);
    probe.setFont(font());
    setFixedHeight(ToolbarHeightFor(probe.sizeHint().height()));
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    RepaintRecords();
}

QRect FlatToolbar::RecordRect(int index) const {
    const ToolbarRect& r = tracker.RecordRect(index);
    return QRect(r.left, r.top, r.right - r.left, r.bottom - r.top);
}

template <typename Handler>
void FlatToolbar::Track(Handler handler) {
    ToolbarResponse response;
    QRect drawn;
    {
        CanvasPainter painter(canvas, palette(), normalDie, hotDie);
        response = handler(painter);
        drawn = painter.Drawn();
    }
    if (response.repaint) {
        RepaintRecords();
    } else if (!drawn.isEmpty()) {
        update(drawn);
    }
    if (response.command) Q_EMIT CommandClicked(*response.command);
}

void FlatToolbar::RepaintRecords() {
    const qreal ratio = devicePixelRatioF();
    // Never an empty canvas, which nothing could paint on, even while the window is minimised.
    const QSize size = this->size().expandedTo(QSize(1, 1)) * ratio;
    if (canvas.size() != size) {
        canvas = QPixmap(size);
        canvas.setDevicePixelRatio(ratio);
    }
    canvas.fill(palette().color(QPalette::Button));
    CanvasPainter painter(canvas, palette(), normalDie, hotDie);
    tracker.OnPaint(painter);
    update();
}

void FlatToolbar::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawPixmap(0, 0, canvas);
}

void FlatToolbar::resizeEvent(QResizeEvent*) { RepaintRecords(); }

void FlatToolbar::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::StyleChange) {
        RepaintRecords();
    }
}

void FlatToolbar::mouseMoveEvent(QMouseEvent* event) {
    lastPointer = event->position().toPoint();
    // Held after a press, the pointer's moves keep coming here wherever it goes.
    const bool overToolbar = rect().contains(lastPointer) && childAt(lastPointer) == nullptr;
    Track([&](ToolbarPainter& painter) {
        return tracker.OnMouseMove(painter, ToolbarPointOf(lastPointer), overToolbar);
    });
}

void FlatToolbar::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return QWidget::mousePressEvent(event);
    lastPointer = event->position().toPoint();
    Track([&](ToolbarPainter& painter) {
        return tracker.OnLButtonDown(painter, ToolbarPointOf(lastPointer));
    });
    window()->raise();
    window()->activateWindow();
}

void FlatToolbar::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return QWidget::mouseReleaseEvent(event);
    lastPointer = event->position().toPoint();
    Track([&](ToolbarPainter& painter) {
        return tracker.OnLButtonUp(painter, ToolbarPointOf(lastPointer));
    });
}

void FlatToolbar::leaveEvent(QEvent*) { PointerLeft(); }

// Qt tells a widget nothing when the pointer moves from it onto one of its children, so the
// toolbar watches its children (the combo boxes) for the pointer entering them.
void FlatToolbar::childEvent(QChildEvent* event) {
    QWidget::childEvent(event);
    if (event->added() && event->child()->isWidgetType()) event->child()->installEventFilter(this);
}

bool FlatToolbar::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Enter && watched->parent() == this) PointerLeft();
    return QWidget::eventFilter(watched, event);
}

void FlatToolbar::PointerLeft() {
    Track([&](ToolbarPainter& painter) {
        return tracker.OnMouseMove(painter, ToolbarPointOf(lastPointer), false);
    });
}

}  // namespace vesk
