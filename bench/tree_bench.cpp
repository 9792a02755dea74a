// Directory tree figures: building the tree of a big archive, and renaming
// and moving a directory that holds many entries.
#include "archive/far_archive.h"
#include "archive/far_directory_tree.h"
#include "base/memory_stream.h"
#include "testing/bench_timing.h"

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>

namespace {

using namespace vorn;
using testing::BestMilliseconds;



void AddEmpty(CFarArchive& archive, const std::string& name)
{
    MemoryStream none;
    archive.AddOrReplace(name, none, false);
}

} // namespace

int main()
{
    bool allMet = true;

    // 200,000 entries: 100,000 in one directory, 100,000 over 1,000 directories.
    {
        CFarArchive archive;
        for (int i = 0; i < 100000; ++i)
            AddEmpty(archive, "Big\\File" + std::to_string(i) + ".dat");
        for (int i = 0; i < 100000; ++i)
            AddEmpty(archive, "Spread\\Dir" + std::to_string(i % 1000) + "\\Item" + std::to_string(i) + ".iff");
        CFarDirectoryTree tree;
        bool built = true;
        const double ms = BestMilliseconds(5, [] {}, [&] { built = tree.Build(archive) && built; });
        if (!built || tree.GetDirectoryRef("Big")->Files().size() != 100000)
            return 1;
        allMet = vorn::testing::ReportMilliseconds("Build, 200,000 entries (100,000 in one directory)", ms, 300) && allMet;
    }

    // A directory holding 50,000 entries in 50 subdirectories, beside 50,000 others.
    {
        CFarArchive archive;
        for (int i = 0; i < 50000; ++i)
            AddEmpty(archive, "Other\\Sub" + std::to_string(i % 50) + "\\Item" + std::to_string(i) + ".dat");
        for (int i = 0; i < 50000; ++i)
            AddEmpty(archive, "Moved\\Sub" + std::to_string(i % 50) + "\\File" + std::to_string(i) + ".dat");
        CFarDirectoryTree tree;
        if (!tree.Build(archive) || !tree.MakeDirectory("Target"))
            return 1;

        bool ok = true;
        bool renamed = false;
        const double renameMs = BestMilliseconds(5, [] {}, [&] {
            ok = tree.RenameDirectory(renamed ? "Renamed" : "Moved", renamed ? "Moved" : "Renamed") && ok;
            renamed = !renamed;
        });
        if (renamed)
            ok = tree.RenameDirectory("Renamed", "Moved") && ok;
        bool moved = false;
        const double moveMs = BestMilliseconds(5, [] {}, [&] {
            ok = (moved ? tree.MoveDirectory("Target\\Moved", "") : tree.MoveDirectory("Moved", "Target")) && ok;
            moved = !moved;
        });
        if (!ok)
            return 1;
        allMet = vorn::testing::ReportMilliseconds("RenameDirectory of a directory holding 50,000 entries", renameMs, 100) &&
                 allMet;
        allMet = vorn::testing::ReportMilliseconds("MoveDirectory of a directory holding 50,000 entries", moveMs, 100) &&
                 allMet;
    }
    return allMet ? 0 : 2;
}
