#include "window/panel.h"

#include <qdrawutil.h>

#include <QPainter>

namespace corvane {

TPanel::TPanel(Bevel outer, Bevel inner, QWidget* parent)
    : QFrame(parent), outer_(outer), inner_(inner) {
    setFocusPolicy(Qt::NoFocus);
}

void TPanel::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    qDrawShadeRect(&painter, rect(), palette(), outer_ == Bevel::Lowered, 1);
    qDrawShadeRect(&painter, rect().adjusted(1, 1, -1, -1), palette(), inner_ == Bevel::Lowered, 1);
}

}  // namespace corvane
