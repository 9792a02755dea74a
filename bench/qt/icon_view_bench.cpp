// The list pane's grid of thumbnails on a directory of 2,000 object files,
// offscreen in a 1024 x 768 window: the time until every picture of the
// first screen is drawn, until all 2,000 are, the peak memory above the open
// archive meanwhile, and the longest the window waits between two of its
// turns while the grid is scrolled a step every turn as the pictures fill
// in. The objects are the shared real object files when they are there
// (those under 240 KB, as most objects of the game are), else the sample
// archive's, repeated.

#include "app/file_icon_view.h"
#include "app/main_frame.h"
#include "app/thumbnail_store.h"
#include "app/vorn_app.h"
#include "app/vorn_view.h"
#include "app/left_view.h"
#include "archive/vorn_doc.h"
#include "base/recording_messenger.h"
#include "testing/bench_timing.h"
#include "testing/far_fixture.h"
#include "testing/temp_dir.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QScrollBar>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

namespace {

using vorn::testing::FarFixtureFile;
using vorn::testing::ResetPeakMemory;
using vorn::testing::StatusKiB;

constexpr int kObjects = 2000;
constexpr uintmax_t kLargestRealObject = 240 * 1024;

std::string ReadFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The object files to repeat, and where they came from.
std::vector<std::string> ObjectPool(std::string& origin)
{
    std::vector<std::string> pool;
    const std::filesystem::path real = std::filesystem::path(VORN_REALDATA_DIR) / "objects";
    std::error_code error;
    if (std::filesystem::is_directory(real, error)) {
        std::vector<std::filesystem::path> paths;
        for (const auto& file : std::filesystem::directory_iterator(real, error)) {
            if (file.path().extension() == ".iff" && file.file_size(error) <= kLargestRealObject)
                paths.push_back(file.path());
        }
        std::sort(paths.begin(), paths.end());
        for (const auto& path : paths)
            pool.push_back(ReadFile(path));
        origin = "shared real objects";
    }
    if (pool.empty()) {
        vorn::RecordingMessenger messenger;
        vorn::CVornDoc sample(messenger);
        if (sample.OpenDocument(VORN_SAMPLE_ARCHIVE, vorn::OpenAccess::ReadOnly)) {
            const auto& entries = sample.Archive().Entries();
            for (size_t i = 0; i < entries.size(); ++i) {
                if (entries[i].name.ends_with(".iff")) {
                    if (const auto bytes = sample.Archive().LoadedBytes(i))
                        pool.emplace_back(reinterpret_cast<const char*>(bytes->data()), bytes->size());
                }
            }
        }
        origin = "sample archive objects";
    }
    return pool;
}

// Runs the event loop until `done`, waking for every report of a worker.
template <typename Done>
bool Wait(Done done, int limitMs = 120000)
{
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > limitMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

void BM_IconViewOf2000Objects(benchmark::State& state)
{
    std::string origin;
    const std::vector<std::string> pool = ObjectPool(origin);
    if (pool.empty()) {
        state.SkipWithError("no object files");
        return;
    }
    vorn::testing::TempDir folder;
    const std::filesystem::path path = folder / "objects.far";
    uint64_t archiveBytes = 0;
    {
        std::vector<FarFixtureFile> files;
        char name[64];
        for (int i = 0; i < kObjects; ++i) {
            std::snprintf(name, sizeof name, "Objects\\object%04d.iff", i);
            files.push_back({name, pool[static_cast<size_t>(i) % pool.size()]});
            archiveBytes += files.back().bytes.size();
        }
        vorn::testing::WriteFileBytes(path, vorn::testing::MakeFarImage(files));
    }

    vorn::RecordingMessenger messenger;
    vorn::CVornApp app(&messenger);
    if (!app.InitInstance({QString::fromStdString(path.string())})) {
        state.SkipWithError("archive did not open");
        return;
    }
    vorn::CMainFrame& frame = *app.MainFrame();
    frame.resize(1024, 768);
    frame.GetLeftPane()->SelectPath("Objects");
    QApplication::processEvents();
    vorn::CVornView& right = *frame.GetRightPane();
    vorn::ThumbnailStore& store = right.Thumbnails();
    vorn::FileIconView& grid = right.IconView();
    if (right.RowCount() != kObjects) {
        state.SkipWithError("the directory does not show");
        return;
    }
    auto allDrawn = [&](int first, int last) {
        for (int row = first; row <= last; ++row) {
            if (!store.Has(right.Model().At(right.Filter().RowAt(row)).entry))
                return false;
        }
        return true;
    };

    double firstScreen = 0;
    double fill = 0;
    double worstTurn = 0;
    long peakKiB = 0;
    int drawn = 0;
    for (auto _ : state) {
        frame.SetIconView(false);
        store.ForgetAll();
        grid.verticalScrollBar()->setValue(0);
        QApplication::processEvents();
        const long before = StatusKiB("VmRSS");
        ResetPeakMemory();

        QElapsedTimer clock;
        clock.start();
        frame.SetIconView(true);
        QApplication::processEvents();
        const auto [first, last] = grid.VisibleRows();
        const bool screen = Wait([&] { return allDrawn(first, last); });
        firstScreen = std::max(firstScreen, clock.nsecsElapsed() / 1e9);

        // The rest fills in while the grid scrolls down a step each turn.
        qint64 lastTurn = clock.nsecsElapsed();
        const bool all = Wait([&] {
            const qint64 now = clock.nsecsElapsed();
            worstTurn = std::max(worstTurn, (now - lastTurn) / 1e9);
            lastTurn = now;
            QScrollBar* bar = grid.verticalScrollBar();
            bar->setValue(std::min(bar->maximum(), bar->value() + 4));
            return store.Outstanding() == 0 && allDrawn(0, grid.model()->rowCount() - 1);
        });
        fill = std::max(fill, clock.nsecsElapsed() / 1e9);
        peakKiB = std::max(peakKiB, StatusKiB("VmHWM") - before);
        if (!screen || !all)
            state.SkipWithError("the thumbnails did not all come");
        drawn = 0;
        for (int row = 0; row < right.RowCount(); ++row)
            drawn += store.Find(right.Model().At(row).entry).isNull() ? 0 : 1;
    }
    state.counters["first_screen_s"] = firstScreen;
    state.counters["fill_s"] = fill;
    state.counters["worst_turn_s"] = worstTurn;
    state.counters["peak_MiB"] = static_cast<double>(peakKiB) / 1024.0;
    state.counters["pictures"] = drawn;
    state.counters["workers"] = QThread::idealThreadCount();
    state.counters["archive_MiB"] = static_cast<double>(archiveBytes) / (1024.0 * 1024.0);
    state.SetLabel("icon view of 2,000 " + origin);
    app.Document().SetModified(false);
}
BENCHMARK(BM_IconViewOf2000Objects)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

int main(int argc, char** argv)
{
    vorn::testing::TempDir config;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(config.Path().string()));
    int qtArgc = 1;
    QApplication application(qtArgc, argv);
    benchmark::Initialize(&argc, argv);
    std::printf("Measured, the worst of the iterations: the first screen of thumbnails, all 2,000, the peak memory\n"
                "above the open archive, and the longest turn of the window while it scrolls as they fill in.\n");
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
