#pragma once
// A RunView for tests: records every title, control change and message box, answers questions
// from a script, and can click the Execute button during a chosen yield.
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "app/CheckRun.h"

namespace testutil {

class ScriptedRunView : public app::RunView {
public:
    struct Box {
        app::BoxIcon Icon;
        app::BoxButtons Buttons;
        bool DefaultNo;
        std::u16string Title, Text;
    };

    std::vector<std::u16string> Titles;
    std::vector<app::RunProgress> Progress;
    std::vector<Box> Boxes;
    std::deque<app::BoxAnswer> Answers;  // taken in order; No when the script runs out
    bool ControlsEnabled = true;
    bool ExecuteEnabled = true;
    std::u16string ExecuteCaption = u"チェック";
    int Yields = 0;
    // Called at every yield with its number (1-based), e.g. to click the Execute button.
    std::function<void(int)> OnYield;
    // As a window: the steps that cannot stop run beside the yields.
    bool YieldWhileBusy = false;

    void ShowTitle(std::u16string_view title) override { Titles.emplace_back(title); }
    void ShowProgress(const app::RunProgress& progress) override { Progress.push_back(progress); }
    void SetControlsEnabled(bool enabled) override { ControlsEnabled = enabled; }
    void SetExecuteButton(std::u16string_view caption, bool enabled) override {
        ExecuteCaption = caption;
        ExecuteEnabled = enabled;
    }
    void YieldToWindowSystem() override {
        ++Yields;
        if (OnYield) OnYield(Yields);
    }
    bool YieldsWhileBusy() const override { return YieldWhileBusy; }
    app::BoxAnswer ShowMessage(app::BoxIcon icon, app::BoxButtons buttons, bool default_no,
                               std::u16string_view title, std::u16string_view text) override {
        Boxes.push_back({icon, buttons, default_no, std::u16string(title), std::u16string(text)});
        if (buttons == app::BoxButtons::Ok) return app::BoxAnswer::Ok;
        if (Answers.empty()) return app::BoxAnswer::No;
        const app::BoxAnswer a = Answers.front();
        Answers.pop_front();
        return a;
    }
};

}  // namespace testutil
