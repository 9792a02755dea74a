// The whole default paint of the object preview, offscreen: a 512 x 384
// client area, both planes cleared, the object drawn, the picture handed to
// Qt and painted. Held to 1 ms. Drawn: the sample archive's objects at the
// dialog's first view (direction 0, zoom 3), the largest of them included.

#include "archive/far_archive.h"
#include "base/file_stream.h"
#include "iff/iff_file_ref.h"
#include "iff/object_catalogue.h"
#include "sprites/qt/object_preview.h"

#include <QApplication>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>
#include <string>

namespace {

struct Viewed {
    vorn::CIffFileRef file;
    vorn::CObjectCatalogue catalogue;
    vorn::ObjectEntry entry;
};

std::unique_ptr<Viewed> OpenSampleObject(const std::string& entryName, const std::string& label)
{
    int openError = 0;
    auto stream = vorn::FileStream::Open(VORN_SAMPLE_ARCHIVE, vorn::FileMode::Read, openError);
    vorn::CFarArchive archive;
    if (!stream || !archive.Load(*stream))
        return nullptr;
    const auto index = archive.FindEntry(entryName);
    if (!index || !archive.LoadData(*index))
        return nullptr;
    auto viewed = std::make_unique<Viewed>();
    vorn::IffParseError error = vorn::IffParseError::None;
    if (!viewed->file.Open(archive.BytesOf(*index), error, true) || !viewed->catalogue.Build(&viewed->file))
        return nullptr;
    for (const vorn::ObjectEntry& e : viewed->catalogue.Entries())
        if (e.label == label && !e.IsTile())
            viewed->entry = e;
    return viewed->entry.label == label ? std::move(viewed) : nullptr;
}

void BM_DefaultPreviewPaint(benchmark::State& state, std::string entryName, std::string label)
{
    auto viewed = OpenSampleObject(entryName, label);
    if (!viewed) {
        state.SkipWithError("sample object missing");
        return;
    }
    vorn::CObjectPreview preview;
    preview.SetBackground(0, 255, 255);
    preview.resize(512, 384);
    preview.SetCatalogue(&viewed->catalogue);
    preview.SetEntry(viewed->entry);
    preview.SetDirection(0);
    preview.SetZoom(3);
    preview.show();
    QApplication::processEvents();
    preview.Recentre();
    for (auto _ : state)
        preview.repaint(); // paints at once, through paintEvent
    state.counters["target_ms"] = 1;
    state.SetLabel(label);
}
BENCHMARK_CAPTURE(BM_DefaultPreviewPaint, crate, std::string("Objects\\Crate and signpost.iff"),
                  std::string("Arrow crate"))
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_DefaultPreviewPaint, long_table, std::string("Objects\\Furniture\\Long table.iff"),
                  std::string("Long table"))
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_DefaultPreviewPaint, stage, std::string("Objects\\Furniture\\Stage.iff"), std::string("Stage"))
    ->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    int qtArgc = 1;
    QApplication application(qtArgc, argv);
    benchmark::Initialize(&argc, argv);
    std::printf("Default paint of the object preview (512 x 384): held to under 1 ms.\n");
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
