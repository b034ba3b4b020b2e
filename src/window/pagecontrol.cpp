#include "window/pagecontrol.h"

#include <QPainter>
#include <QStackedWidget>
#include <QStyleOptionTabWidgetFrame>
#include <algorithm>

namespace corvane {

namespace {
// The tabs overlap the frame's top edge, as the selected tab joins its page.
constexpr int kTabOverlap = 2;
constexpr int kTabIndent = 2;
}  // namespace

TPageControl::TPageControl(QWidget* parent)
    : QWidget(parent), tabs_(new QTabBar(this)), pages_(new QStackedWidget(this)) {
    tabs_->setDrawBase(false);
    tabs_->setExpanding(false);
    tabs_->setUsesScrollButtons(false);
    tabs_->setFocusPolicy(Qt::TabFocus);
    connect(tabs_, &QTabBar::currentChanged, pages_, &QStackedWidget::setCurrentIndex);
    PlaceChildren();
}

void TPageControl::AddPage(QWidget* page, const QString& caption) {
    pages_->addWidget(page);
    page->setAutoFillBackground(true);
    tabs_->addTab(caption);
    PlaceChildren();
}

int TPageControl::PageCount() const {
    return pages_->count();
}

QWidget* TPageControl::Page(int index) const {
    return pages_->widget(index);
}

int TPageControl::ActivePageIndex() const {
    return pages_->currentIndex();
}

QWidget* TPageControl::ActivePage() const {
    return pages_->currentWidget();
}

void TPageControl::SetActivePageIndex(int index) {
    tabs_->setCurrentIndex(index);
    pages_->setCurrentIndex(index);
}

QRect TPageControl::PageRect() const {
    return QRect(kFrame, kTabRow, width() - 2 * kFrame, height() - kTabRow - kFrame);
}

void TPageControl::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    PlaceChildren();
}

void TPageControl::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    QStyleOptionTabWidgetFrame frame;
    frame.initFrom(this);
    frame.rect = QRect(0, kTabRow - kTabOverlap, width(), height() - kTabRow + kTabOverlap);
    frame.shape = QTabBar::RoundedNorth;
    frame.tabBarSize = tabs_->size();
    frame.tabBarRect = tabs_->geometry();
    frame.selectedTabRect = tabs_->tabRect(tabs_->currentIndex()).translated(tabs_->pos());
    style()->drawPrimitive(QStyle::PE_FrameTabWidget, &frame, &painter, this);
}

void TPageControl::PlaceChildren() {
    const int tabWidth = std::min(tabs_->sizeHint().width(), width() - 2 * kTabIndent);
    tabs_->setGeometry(kTabIndent, 0, std::max(tabWidth, 0), kTabRow);
    pages_->setGeometry(PageRect());
    // The stack lays its pages out only once shown; they have their size from the start.
    for (int i = 0; i < pages_->count(); ++i) {
        pages_->widget(i)->setGeometry(QRect(QPoint(0, 0), pages_->size()));
    }
}

}  // namespace corvane
