#include "base/debug_trace.h"
#include "testing/temp_dir.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>

namespace vorn {
namespace {

TEST(DebugTraceTest, WritesLinesOnlyWhenAFileIsNamed)
{
    vorn::testing::TempDir folder;
    DebugTrace& trace = DebugTrace::Instance();
    ASSERT_EQ(trace.FileName(), "");
    trace.Trace("XA ExtractFile() error");  // no file: nothing happens

    const std::string file = (folder / "trace.txt").string();
    trace.SetFileName(file);
    trace.Trace("Going to view IFF file %s.", "\\a.iff");
    trace.Trace("%s", std::string(400, 'x').c_str());
    trace.SetFileName("");
    trace.Trace("not written");

    std::ifstream in(file);
    std::string first, second, extra;
    std::getline(in, first);
    std::getline(in, second);
    EXPECT_EQ(first, "Going to view IFF file \\a.iff.");
    EXPECT_EQ(second, std::string(255, 'x'));  // a line holds at most 255 characters
    EXPECT_FALSE(std::getline(in, extra));
}

} // namespace
} // namespace vorn
