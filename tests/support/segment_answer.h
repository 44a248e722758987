// Answers the modal segment dialog of Open in window tests.
#pragma once

#include <QApplication>
#include <QDialog>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace zarn::test {

// Answers the modal segment dialog from inside its own event loop, retrying until it is up. What is
// still modal after the retries, or does not close on the answer, is rejected: a test fails, not hangs.
class SegmentAnswer {
public:
    enum class Action { Ok, Cancel, Escape };
    // Checks the dialog's controls, may move its scroll bar, and tells how to answer.
    using Inspect = std::function<Action(QDialog& dialog)>;

    explicit SegmentAnswer(Inspect inspect) : inspect_(std::move(inspect)) { Schedule(0); }
    // The retries hold its address.
    SegmentAnswer(const SegmentAnswer&) = delete;
    SegmentAnswer& operator=(const SegmentAnswer&) = delete;
    static SegmentAnswer Ok() {
        return SegmentAnswer([](QDialog&) { return Action::Ok; });
    }
    // Moves the scroll bar to segment `s`, then answers OK.
    static SegmentAnswer OkOn(int s) {
        return SegmentAnswer([s](QDialog& d) {
            d.findChild<QScrollBar*>(QStringLiteral("HScroll1"))->setValue(s);
            return Action::Ok;
        });
    }
    static SegmentAnswer CancelIt() {
        return SegmentAnswer([](QDialog&) { return Action::Cancel; });
    }

    bool Seen() const { return seen_; }

private:
    void Schedule(int ms) {
        QTimer::singleShot(ms, context_.get(), [this] { Try(); });
    }

    void Try() {
        QWidget* modal = QApplication::activeModalWidget();
        auto* dialog = qobject_cast<QDialog*>(modal);
        if (dialog && dialog->objectName() == QLatin1String("Segment") && dialog->isVisible()) {
            seen_ = true;
            Answer(*dialog, inspect_(*dialog));
            if (dialog->isVisible()) {
                ADD_FAILURE() << "the segment dialog did not close on its answer";
                dialog->reject();
            }
            return;
        }
        if (++tries_ < 300) {
            Schedule(10);
        } else if (modal) {
            ADD_FAILURE() << "unexpected modal window " << modal->objectName().toStdString();
            if (dialog)
                dialog->reject();
            else
                modal->close();
        }
    }

    static void Answer(QDialog& d, Action action) {
        if (action == Action::Escape)
            QTest::keyClick(&d, Qt::Key_Escape);
        else
            QTest::mouseClick(d.findChild<QPushButton*>(action == Action::Ok ? "OK" : "Cancel"), Qt::LeftButton);
    }

    Inspect inspect_;
    // Pending retries die with it, so an unanswered request cannot reach into a later test.
    std::unique_ptr<QObject> context_ = std::make_unique<QObject>();
    bool seen_ = false;
    int tries_ = 0;
};

} // namespace zarn::test
