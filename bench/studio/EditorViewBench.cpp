// Redrawing the pattern grid and scrolling the sequencer, offscreen: what
// a frame of each costs with a full pattern and a long song.

#include "editing/PatternEditor.h"
#include "editing/UndoHistory.h"
#include "engine/PatternEditing.h"
#include "engine/Project.h"
#include "gui/PatternGridView.h"
#include "gui/SequencerView.h"
#include "gui/Skin.h"
#include "studio/OffscreenApplication.h"
#include "studio/Studio.h"

#include <QApplication>
#include <QImage>
#include <QScrollBar>

#include <benchmark/benchmark.h>

#include <cmath>

namespace tarn {
namespace {

// A studio whose project holds one Analog Bass with two tracks.
struct EditorBench {
    EditorBench() {
        EnsureOffscreenApplication();
        std::unique_ptr<Project> project = studio.NewProject();
        nodeId = project->CreateNode("Tarn Analog Bass");
        project->GetNode(nodeId)->SetTrackCount(kGroupMachine, 2);
        studio.SetProject(std::move(project));
    }
    Node& Bass() { return *studio.Current().Get()->GetNode(nodeId); }

    Studio studio;
    UndoHistory history{studio.Current()};
    Skin skin;
    int nodeId = -1;
};

// 64 rows by the first 16 columns, every cell holding an event.
void BM_PatternGridRedraw(benchmark::State& state) {
    EditorBench bench;
    {
        ProjectLock hold(bench.studio.Current());
        Node& node = bench.Bass();
        CreatePattern(node, 0, 16, 4, 0);
        const std::vector<GridColumn> columns = pattern_grid::Columns(node);
        for (std::size_t c = 0; c < 16 && c < columns.size(); ++c) {
            if (columns[c].IsSub()) {
                continue;
            }
            for (int row = 0; row < 64; ++row) {
                PatternEventRecord record;
                record.event.group = static_cast<std::int16_t>(columns[c].group);
                record.event.index = static_cast<std::int16_t>(columns[c].index);
                record.event.track = static_cast<std::int16_t>(columns[c].track);
                record.event.time = (row % 4) / 4.0;
                record.event.value = columns[c].minimum +
                                     (columns[c].maximum - columns[c].minimum) * (row % 7) / 7.0;
                record.event.noteLength = 0.5;
                record.event.velocity = 1.0;
                AddClampedEvent(*bench.studio.Current().Get(), bench.nodeId, 0, row / 4, record);
            }
        }
    }
    PatternEditor editor(bench.studio.Current(), bench.history);
    editor.SetTarget(bench.nodeId, 0);
    PatternGridView view(editor, bench.studio.Current(), bench.skin);
    // Tall enough for every row; wide enough for 16 columns.
    const int height = 80 + 64 * view.RowHeight();
    view.resize(view.CellRect(15, 0).right() + 60, height);
    view.Reload();
    QImage image(view.viewport()->size(), QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        view.viewport()->render(&image);
        benchmark::DoNotOptimize(image.bits());
    }
    state.counters["columns"] = static_cast<double>(editor.Columns().size());
}
BENCHMARK(BM_PatternGridRedraw)->Unit(benchmark::kMillisecond);

// 1 000 placements of a 2-beat pattern over four tracks; each frame
// scrolls a page further and redraws.
void BM_SequencerScroll(benchmark::State& state) {
    EditorBench bench;
    {
        ProjectLock hold(bench.studio.Current());
        Node& node = bench.Bass();
        CreatePattern(node, 0, 2, 4, 0);
        for (int track = 0; track < 4; ++track) {
            node.SequenceTracks().Create(track);
            for (int placement = 0; placement < 250; ++placement) {
                node.SequenceTracks().Get(track)->PlacePattern(placement * 2, 0);
            }
        }
    }
    SequencerView view(bench.studio.Current(), bench.history, bench.skin);
    view.resize(1280, 400);
    view.Reload();
    QImage image(view.viewport()->size(), QImage::Format_ARGB32_Premultiplied);
    QScrollBar& scroll = *view.horizontalScrollBar();
    for (auto _ : state) {
        scroll.setValue(scroll.value() >= scroll.maximum() ? 0
                                                           : scroll.value() + scroll.pageStep());
        view.viewport()->render(&image);
        benchmark::DoNotOptimize(image.bits());
    }
}
BENCHMARK(BM_SequencerScroll)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace tarn
