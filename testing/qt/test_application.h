#pragma once

// The one QApplication of a Qt test program.

#include <QApplication>

#include <gtest/gtest.h>

namespace vorn::testing {

namespace detail {
inline QApplication*& ApplicationInstance()
{
    static QApplication* application = nullptr;
    return application;
}
} // namespace detail

// Made on first use. Programs that register TestApplicationEnvironment have
// it destroyed after their last test; the others leave it alive, since
// tearing a QApplication down among the exit handlers crashes inside Qt's
// post routines.
inline QApplication& TestApplication()
{
    static int argc = 1;
    static char name[] = "vorn_tests";
    static char* argv[] = {name, nullptr};
    QApplication*& application = detail::ApplicationInstance();
    if (!application)
        application = new QApplication(argc, argv);
    return *application;
}

// For test programs whose every test needs the application: register it with
// ::testing::AddGlobalTestEnvironment. Destroying the application before the
// exit handlers lets Qt release its font database, which the leak checker
// otherwise reports.
class TestApplicationEnvironment : public ::testing::Environment {
public:
    void SetUp() override { TestApplication(); }
    void TearDown() override
    {
        delete detail::ApplicationInstance();
        detail::ApplicationInstance() = nullptr;
    }
};

} // namespace vorn::testing
