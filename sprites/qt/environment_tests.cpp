#include "testing/qt/test_application.h"

// The one QApplication of sprites_qt_tests.
[[maybe_unused]] static ::testing::Environment* const qtEnvironment =
    ::testing::AddGlobalTestEnvironment(new vorn::testing::TestApplicationEnvironment);
