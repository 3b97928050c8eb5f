#pragma once

// What the dialogs' tests share: answering the dialogs they open, and a desktop that records what it
// was asked.

#include <gtest/gtest.h>

#include <QApplication>
#include <QTimer>
#include <functional>
#include <vector>

#include "ui/desktop_actions.h"

namespace vireo::testing {

// Runs `answer` on the next modal dialog, once its exec() has shown it.
template <typename Dialog>
void AnswerNextDialog(std::function<void(Dialog&)> answer)
{
    QTimer::singleShot(0, [answer = std::move(answer)] {
        auto* shown = dynamic_cast<Dialog*>(QApplication::activeModalWidget());
        ASSERT_NE(shown, nullptr);
        answer(*shown);
    });
}

struct DesktopLog {
    std::vector<QString> opened;
    std::vector<QString> questions;
    bool answer = true;
};

inline DesktopActions LoggingDesktop(DesktopLog& record)
{
    DesktopActions actions;
    actions.open_url = [&record](const QString& url) { record.opened.push_back(url); };
    actions.confirm = [&record](QWidget*, const QString& question) {
        record.questions.push_back(question);
        return record.answer;
    };
    return actions;
}

}  // namespace vireo::testing
