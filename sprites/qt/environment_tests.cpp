#include "sprites/qt/qt_test_support.h"

// The one QApplication of sprites_qt_tests.
[[maybe_unused]] static ::testing::Environment* const qtEnvironment =
    ::testing::AddGlobalTestEnvironment(new vorn::qt_testing::QtEnvironment);
