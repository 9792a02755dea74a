#pragma once

// The one QApplication of a Qt test program.

#include <QApplication>

#include <gtest/gtest.h>

namespace vorn::testing {

// Made on first use and never destroyed: tearing a QApplication down among
// the exit handlers crashes inside Qt's post routines.
inline QApplication& TestApplication()
{
    static int argc = 1;
    static char name[] = "vorn_tests";
    static char* argv[] = {name, nullptr};
    static QApplication* application = new QApplication(argc, argv);
    return *application;
}

// For test programs whose every test needs the application: register it with
// ::testing::AddGlobalTestEnvironment.
class TestApplicationEnvironment : public ::testing::Environment {
public:
    void SetUp() override { TestApplication(); }
};

} // namespace vorn::testing
