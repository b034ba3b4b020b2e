#pragma once

#include <QString>
#include <QTabBar>
#include <QWidget>

class QStackedWidget;

namespace corvane {

// Pages with a row of tabs on top. The frame and the tab row take kFrame pixels
// at the left, right and bottom and kTabRow at the top, so every page's client
// area is the control's size less those margins, whatever the style draws.
class TPageControl : public QWidget {
    Q_OBJECT

public:
    static constexpr int kFrame = 4;
    static constexpr int kTabRow = 24;

    explicit TPageControl(QWidget* parent = nullptr);

    // Adds `page` (reparented) behind the pages already there, with its tab.
    void AddPage(QWidget* page, const QString& caption);

    int PageCount() const;
    QWidget* Page(int index) const;
    int ActivePageIndex() const;
    QWidget* ActivePage() const;
    void SetActivePageIndex(int index);

    QTabBar* Tabs() const { return tabs_; }
    // Where every page stands, in the control's coordinates.
    QRect PageRect() const;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void PlaceChildren();

    QTabBar* tabs_;
    QStackedWidget* pages_;
};

}  // namespace corvane
