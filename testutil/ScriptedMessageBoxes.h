#pragma once
// Message boxes for form tests: records every box, answers questions from a script, opens
// nothing. Installed for its own lifetime.
#include <deque>
#include <functional>
#include <initializer_list>
#include <vector>

#include "platform/qt/MessageBox.h"

namespace testutil {

class ScriptedMessageBoxes : public platform::MessageBoxService {
public:
    ScriptedMessageBoxes() : use_(*this) {}

    std::vector<platform::BoxRequest> Shown;
    std::deque<app::BoxAnswer> Answers;  // taken in order; No when the script runs out
    // Called after a box is recorded, before it answers (e.g. to close a window meanwhile).
    std::function<void(const platform::BoxRequest&)> OnShow;

    void Answer(std::initializer_list<app::BoxAnswer> answers) {
        Answers.insert(Answers.end(), answers);
    }
    const platform::BoxRequest& Last() const { return Shown.back(); }
    int Count() const { return static_cast<int>(Shown.size()); }

    app::BoxAnswer Show(QWidget*, const platform::BoxRequest& box) override {
        Shown.push_back(box);
        if (OnShow) OnShow(box);
        if (box.Buttons == app::BoxButtons::Ok) return app::BoxAnswer::Ok;
        if (Answers.empty()) return app::BoxAnswer::No;
        const app::BoxAnswer a = Answers.front();
        Answers.pop_front();
        return a;
    }

private:
    platform::ScopedMessageBoxes use_;
};

}  // namespace testutil
