#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <QApplication>

namespace vireo::testing {

// A suite of widget tests: one application under Qt's offscreen platform for the suite, gone before
// the program's own exit (Qt's cleanup must run while Qt is still all there).
class QtTestSuite : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
        static int argc = 1;
        static char name[] = "vireo_tests_ui";
        static char* argv[] = {name, nullptr};
        app = new QApplication(argc, argv);
    }
    static void TearDownTestSuite()
    {
        delete app;
        app = nullptr;
    }

private:
    static inline QApplication* app = nullptr;
};

}  // namespace vireo::testing
