#include "ui/message_box.h"

#include <QApplication>
#include <QFontMetrics>
#include <QGridLayout>
#include <QMessageBox>
#include <QSpacerItem>

namespace velmaro {

void KeepCaptionInSight(QMessageBox& box) {
    auto* grid = qobject_cast<QGridLayout*>(box.layout());
    if (grid == nullptr) return;
    // A title bar's font is often bold and larger than the box's; its buttons take about as
    // much again as three letters each.
    QFont titleFont = QApplication::font();
    titleFont.setBold(true);
    const QFontMetrics metrics(titleFont);
    const int width =
        metrics.horizontalAdvance(box.windowTitle()) * 5 / 4 + 12 * metrics.averageCharWidth();
    grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Fixed),
                  grid->rowCount(), 0, 1, grid->columnCount());
}

}  // namespace velmaro
