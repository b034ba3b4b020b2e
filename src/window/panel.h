#pragma once

#include <QFrame>

namespace corvane {

// A panel with an outer and an inner bevel of one pixel each.
class TPanel : public QFrame {
    Q_OBJECT

public:
    enum class Bevel { Raised, Lowered };

    TPanel(Bevel outer, Bevel inner, QWidget* parent = nullptr);

    Bevel Outer() const { return outer_; }
    Bevel Inner() const { return inner_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Bevel outer_;
    Bevel inner_;
};

}  // namespace corvane
