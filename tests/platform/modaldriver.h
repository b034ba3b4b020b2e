#pragma once

#include <QApplication>
#include <QDialog>
#include <QTimer>
#include <functional>

namespace corvane::test {

// Stands in for the person at a modal box: once an application-modal widget is
// open, `act` inspects it and answers it; a box that `act` leaves open is
// rejected, so a failing test never waits for anyone.
class ModalDriver {
public:
    explicit ModalDriver(std::function<void(QWidget*)> act) : act_(std::move(act)) {
        timer_.setInterval(10);
        QObject::connect(&timer_, &QTimer::timeout, [this] { Poll(); });
        timer_.start();
    }

    bool Answered() const { return answered_; }

private:
    void Poll() {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr) {
            return;
        }
        timer_.stop();
        answered_ = true;
        act_(modal);
        if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            dialog != nullptr && dialog == modal) {
            dialog->reject();
        }
    }

    std::function<void(QWidget*)> act_;
    QTimer timer_;
    bool answered_ = false;
};

}  // namespace corvane::test
