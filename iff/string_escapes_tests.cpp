#include "iff/string_escapes.h"

#include <gtest/gtest.h>

namespace vorn {
namespace {

TEST(StringEscapes, EveryByteComesBackAndControlsShowOnOneLine)
{
    std::string every;
    for (int byte = 0; byte < 256; ++byte)
        every += static_cast<char>(byte);
    const std::string escaped = EscapeControls(every);
    EXPECT_EQ(escaped.find_first_of("\t\r\n"), std::string::npos);
    EXPECT_EQ(UnescapeControls(escaped), every);

    EXPECT_EQ(EscapeControls("a\tb\r\nc\\d\x01\x7F\xE9"), "a\\tb\\r\\nc\\\\d\\x01\\x7F\xE9");
    EXPECT_EQ(UnescapeControls("\\x4a\\x4A"), "JJ");
}

TEST(StringEscapes, ABackslashThatStartsNoEscapeIsRefused)
{
    for (const char* bad : {"end\\", "\\q", "\\x4", "\\xG0", "\\x"})
        EXPECT_EQ(UnescapeControls(bad), std::nullopt) << bad;
}

} // namespace
} // namespace vorn
