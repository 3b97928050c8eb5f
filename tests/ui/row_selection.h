#pragma once

// What the tests of the settings dialogs' lists share: choosing rows as the user does, and the rule
// that "Edit" takes exactly one chosen row and "Remove" at least one.

#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QItemSelectionModel>
#include <QPushButton>
#include <initializer_list>

namespace vireo::testing {

// Selects exactly these whole rows, as a click and control-clicks would.
inline void SelectRows(QAbstractItemView* view, std::initializer_list<int> rows)
{
    view->clearSelection();
    for (int row : rows) {
        view->selectionModel()->select(view->model()->index(row, 0),
                                       QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
}

// With at least three rows: nothing chosen, one row, then two rows (the first and the third), which
// stay selected afterwards. `edit` may be null for a list without one.
inline void ExpectEditAndRemoveFollowTheSelection(QAbstractItemView* view, const QPushButton* edit,
                                                  const QPushButton* remove)
{
    ASSERT_GE(view->model()->rowCount(), 3);
    struct Step {
        std::initializer_list<int> rows;
        bool edit;
        bool remove;
    };
    for (const Step& step : {Step{{}, false, false}, Step{{1}, true, true}, Step{{0, 2}, false, true}}) {
        SelectRows(view, step.rows);
        if (edit) {
            EXPECT_EQ(edit->isEnabled(), step.edit) << step.rows.size() << " rows";
        }
        EXPECT_EQ(remove->isEnabled(), step.remove) << step.rows.size() << " rows";
    }
}

}  // namespace vireo::testing
