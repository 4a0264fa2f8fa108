#include "twips.h"

#include <QScreen>

namespace sv::ui {

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
