#include "twips.h"

#include <QFontMetrics>
#include <QScreen>

namespace sv::ui {

namespace {
constexpr qreal kSmallestPointSize = 6.0;
constexpr qreal kPointSizeStep = 0.25;
}  // namespace

QFont fittingFont(QFont font, const QRect& area, const QString& text, const QPaintDevice* device, int flags) {
    for (qreal size = font.pointSizeF(); size >= kSmallestPointSize; size -= kPointSizeStep) {
        font.setPointSizeF(size);
        const QRect needed = QFontMetrics(font, device).boundingRect(area, flags, text);
        if (needed.height() <= area.height() && needed.width() <= area.width()) break;
    }
    return font;
}

void sizeAndCentreInTwips(QWidget& window, int width, int height) {
    const QSize client(twipsToPixels(width, window.logicalDpiX()),
                       twipsToPixels(height, window.logicalDpiY()));
    window.setFixedSize(client);
    if (const QScreen* screen = window.screen()) {
        QRect frame(QPoint(), client);
        frame.moveCenter(screen->availableGeometry().center());
        window.move(frame.topLeft());
    }
}

}  // namespace sv::ui
