#pragma once

#include <QString>
#include <QStringList>
#include <deque>
#include <vector>

#include "ui/common/MessageBoxService.h"

namespace qm::test {

// Stands in for the message boxes while it lives: records every box and answers questions from a
// script. A box with only OK is answered OK; a question with no scripted answer counts as
// unanswered and gets No, so a test can tell an unexpected question from an expected one.
class ScriptedMessageBoxes final : public MessageBoxService {
public:
    struct Shown {
        QString text;
        MsgIcon icon;
        MsgButtons buttons;
        QString title;
    };

    ScriptedMessageBoxes() { SetMessageBoxService(this); }
    ~ScriptedMessageBoxes() override { SetMessageBoxService(nullptr); }
    ScriptedMessageBoxes(const ScriptedMessageBoxes&) = delete;
    ScriptedMessageBoxes& operator=(const ScriptedMessageBoxes&) = delete;

    // Queues the answer to the next question (a box with more than an OK button).
    void Answer(MsgResult answer) { answers_.push_back(answer); }

    MsgResult Show(QWidget* /*parent*/, const QString& text, MsgIcon icon, MsgButtons buttons,
                   const QString& title) override {
        shown_.push_back({text, icon, buttons, title});
        if (buttons == MsgButtons::OK) {
            return MsgResult::OK;
        }
        if (answers_.empty()) {
            ++unanswered_;
            return buttons == MsgButtons::YesNo ? MsgResult::No : MsgResult::Cancel;
        }
        const MsgResult answer = answers_.front();
        answers_.pop_front();
        return answer;
    }

    const std::vector<Shown>& All() const { return shown_; }
    QStringList Texts() const {
        QStringList texts;
        for (const auto& box : shown_) {
            texts << box.text;
        }
        return texts;
    }
    int Unanswered() const { return unanswered_; }
    std::size_t PendingAnswers() const { return answers_.size(); }
    void Clear() {
        shown_.clear();
        answers_.clear();
        unanswered_ = 0;
    }

private:
    std::vector<Shown> shown_;
    std::deque<MsgResult> answers_;
    int unanswered_ = 0;
};

}  // namespace qm::test
