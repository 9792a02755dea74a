#include "app/app_test_support.h"
#include "app/command_ids.h"
#include "app/file_icon_view.h"
#include "app/thumbnail_store.h"
#include "audio/wav_image.h"
#include "audio/xa_decoder.h"
#include "base/memory_stream.h"
#include "app/viewer_dispatch.h"
#include "testing/xa_builder.h"

#include <QElapsedTimer>
#include <QHelpEvent>
#include <QMenu>
#include <QScrollBar>
#include <QSemaphore>
#include <QToolTip>

#include <atomic>
#include <mutex>

namespace vorn::apptest {
namespace {

using vorn::testing::FarFixtureFile;

std::string XaBytes(uint32_t sampleRate, size_t blocks)
{
    std::vector<uint8_t> data;
    for (size_t i = 0; i < blocks; ++i) {
        const std::vector<uint8_t> block = vorn::testing::XaBlock(0x00, std::vector<uint8_t>(14, 0x12));
        data.insert(data.end(), block.begin(), block.end());
    }
    const std::vector<uint8_t> xa = vorn::testing::BuildXa(1, sampleRate, data);
    return std::string(xa.begin(), xa.end());
}

class FileIconViewTest : public EditorTest {
protected:
    void Open(const std::vector<FarFixtureFile>& files, const std::string& name = "icons.far")
    {
        ASSERT_TRUE(Start({Q(WriteArchive(folder_, name, files))}));
        ShowActive();
        Right().setFocus();
    }

    int RowOf(const std::string& name)
    {
        for (int row = 0; row < Right().RowCount(); ++row) {
            if (Right().NameOf(row) == name)
                return row;
        }
        return -1;
    }

    std::vector<std::string> SelectedNames()
    {
        std::vector<std::string> names;
        for (int row : Right().SelectedRows())
            names.push_back(Right().NameOf(row));
        return names;
    }

    int32_t EntryOf(const std::string& name) { return Right().Model().At(RowOf(name)).entry; }

    // The red of the thumbnail of a row, as the icon view reads it; -1 with none.
    int ShownRed(const std::string& name)
    {
        const QPixmap picture =
            Right().ViewIndex(RowOf(name)).data(FileListModel::ThumbnailRole).value<QPixmap>();
        return picture.isNull() ? -1 : qRed(picture.toImage().pixel(0, 0));
    }

    // Runs the event loop until `done` holds, waking as soon as a worker
    // reports; false after ten seconds.
    template <typename Done>
    static bool WaitFor(Done done)
    {
        QTimer tick;
        tick.start(20);
        QElapsedTimer clock;
        clock.start();
        while (!done()) {
            if (clock.elapsed() > 10000)
                return false;
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        }
        return true;
    }

    // Waits until the rows named are drawn and no work is left.
    bool WaitUntilDrawn(const std::vector<std::string>& names)
    {
        return WaitFor([&] {
            ThumbnailStore& store = Right().Thumbnails();
            return store.Outstanding() == 0 && std::all_of(names.begin(), names.end(), [&](const std::string& name) {
                       return store.Has(EntryOf(name));
                   });
        });
    }

    // One step of the history, as the object previewer's Save Changes is.
    void ReplaceBytes(const std::string& name, const std::string& bytes)
    {
        MemoryStream stream(std::span(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()));
        Adapter().Begin("Replace");
        ASSERT_TRUE(Doc().Archive().SetData(static_cast<size_t>(EntryOf(name)), stream));
        Adapter().End();
    }

    // A maker drawing IFF and BMP entries as a 4 by 4 square whose red is
    // their first byte, and sounds as the editor does. It can be held at
    // its next call until released, and counts its calls per name.
    ThumbnailMaker FakeMaker()
    {
        return [this](std::string_view name, std::span<const uint8_t> bytes, int size) {
            {
                std::lock_guard<std::mutex> lock(callsMutex_);
                calls_.emplace_back(name);
            }
            if (holdNext_.exchange(false)) {
                ++held_;
                gate_.acquire();
            }
            if (ViewerKindOf(name) == ViewerKind::Xa || bytes.empty())
                return MakeThumbnail(name, bytes, size);
            QImage picture(4, 4, QImage::Format_ARGB32);
            picture.fill(QColor(bytes[0], 0, 0));
            return Thumbnail{Thumbnail::Kind::Picture, picture, 0};
        };
    }

    std::vector<std::string> Calls()
    {
        std::lock_guard<std::mutex> lock(callsMutex_);
        return calls_;
    }

    void TearDown() override
    {
        // A maker still held must not keep the store's workers waiting.
        gate_.release(100);
        EditorTest::TearDown();
    }

    std::mutex callsMutex_;
    std::vector<std::string> calls_;
    std::atomic<bool> holdNext_{false};
    std::atomic<int> held_{0};
    QSemaphore gate_;
};

TEST_F(FileIconViewTest, TheGridKeepsTheRowsSelectionAndCommandsOfTheListAndIsRemembered)
{
    Open({{"sub\\inner.txt", "i"}, {"a.txt", "aaaa"}, {"b.txt", "b"}, {"c.txt", "cc"}, {"d.txt", "ddd"}});
    Right().SelectRows({RowOf("b.txt"), RowOf("c.txt")});
    Press(Qt::Key_T);
    ASSERT_TRUE(Right().IsIconView());
    EXPECT_TRUE(Frame().ActionFor(ID_VIEW_THUMBNAILS)->isChecked());
    EXPECT_TRUE(Right().IconView().isVisible());
    EXPECT_TRUE(Right().IconView().hasFocus());
    EXPECT_EQ(SelectedNames(), (std::vector<std::string>{"b.txt", "c.txt"}));

    // Sorting from the View menu moves the selection with its rows.
    Frame().OnCommand(ID_VIEW_SORT_BY_SIZE);
    EXPECT_EQ(RowNames(), (std::vector<std::string>{"sub", "b.txt", "c.txt", "d.txt", "a.txt"}));
    EXPECT_EQ(SelectedNames(), (std::vector<std::string>{"b.txt", "c.txt"}));

    // Every command reads the grid's selection: Delete by its shortcut...
    messenger_.Script({MessageAnswer::Yes});
    Press(Qt::Key_D);
    EXPECT_EQ(RowNames(), (std::vector<std::string>{"sub", "d.txt", "a.txt"}));
    // ...Rename in the grid's own editor, from F2 and from the context menu.
    Right().SelectRows({RowOf("d.txt")});
    Press(Qt::Key_F2, Qt::NoModifier);
    ASSERT_TRUE(Right().IconView().IsEditing());
    ASSERT_TRUE(TypeIntoEditor("renamed.txt"));
    EXPECT_NE(Doc().Tree().FindFileItem("renamed.txt"), nullptr);
    emit Right().IconView().customContextMenuRequested(Right().IconView().visualRect(Right().ViewIndex(1)).center());
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_NE(menu, nullptr);
    EXPECT_TRUE(menu->actions().contains(Frame().ActionFor(ID_FILE_RENAME)));
    menu->close();

    // Enter opens a directory, Backspace goes back with it selected.
    Right().SelectRows({RowOf("sub")});
    Press(Qt::Key_Return, Qt::NoModifier);
    EXPECT_EQ(Right().ShownPath(), "sub");
    Press(Qt::Key_Backspace, Qt::NoModifier);
    EXPECT_EQ(Right().ShownPath(), "");
    EXPECT_EQ(SelectedNames(), (std::vector<std::string>{"sub"}));

    // Back to the list with the same selection and the focus; the grid is
    // what the next start shows.
    Right().SelectRows({RowOf("a.txt"), RowOf("renamed.txt")});
    Press(Qt::Key_T);
    EXPECT_FALSE(Right().IsIconView());
    EXPECT_TRUE(Right().hasFocus());
    EXPECT_EQ(SelectedNames(), (std::vector<std::string>{"a.txt", "renamed.txt"}));
    Press(Qt::Key_T);
    Doc().SetModified(false);
    app_.reset();
    ASSERT_TRUE(Start());
    EXPECT_TRUE(Right().IsIconView());
    EXPECT_TRUE(Frame().ActionFor(ID_VIEW_THUMBNAILS)->isChecked());
}

TEST_F(FileIconViewTest, ACellsTooltipIsItsWholeName)
{
    const std::string name = "a name long enough for the grid to cut it in the middle.txt";
    Open({{name, "x"}});
    Press(Qt::Key_T);
    ASSERT_TRUE(Right().IsIconView());
    QAbstractItemView& grid = Right().IconView();
    const QPoint centre = grid.visualRect(Right().ViewIndex(RowOf(name))).center();
    QHelpEvent help(QEvent::ToolTip, centre, grid.viewport()->mapToGlobal(centre));
    QApplication::sendEvent(grid.viewport(), &help);
    EXPECT_EQ(QToolTip::text(), QString::fromStdString(name));
    QToolTip::hideText();
}

TEST_F(FileIconViewTest, AChangedEntryIsDrawnAgainAndResultsOfWhatWasBeforeAreDropped)
{
    const std::string sound = XaBytes(22050, 3000);
    Open({{"one.iff", "A"}, {"two.bmp", "2"}, {"three.xa", sound}, {"notes.txt", "n"}});
    Right().Thumbnails().SetMaker(FakeMaker());
    Frame().SetIconView(true);
    ASSERT_TRUE(WaitUntilDrawn({"one.iff", "two.bmp", "three.xa"}));
    EXPECT_EQ(ShownRed("one.iff"), 'A');
    EXPECT_EQ(ShownRed("two.bmp"), '2');
    // The sound's glyph, with the length the player shows; the text file
    // keeps its icon and its bytes are never read.
    const QPixmap glyph = Right().ViewIndex(RowOf("three.xa")).data(FileListModel::ThumbnailRole).value<QPixmap>();
    EXPECT_EQ(glyph.size(), QSize(ThumbnailStore::kSize, ThumbnailStore::kSize));
    std::vector<uint8_t> xa(sound.begin(), sound.end());
    MemoryStream wav;
    CXaDecoder decoder;
    decoder.SetInput(xa, &wav);
    ASSERT_TRUE(decoder.Decode());
    EXPECT_EQ(MakeThumbnail("three.xa", xa, 96).seconds, WavLengthSeconds(wav.Bytes()));
    EXPECT_GT(WavLengthSeconds(wav.Bytes()), 1u);
    EXPECT_FALSE(Right().Thumbnails().Has(EntryOf("notes.txt")));
    const std::vector<std::string> firstCalls = Calls();
    EXPECT_EQ(std::count(firstCalls.begin(), firstCalls.end(), "notes.txt"), 0);

    // New bytes while the picture of the old ones is being drawn: the old
    // result is dropped and the entry drawn once more from the newest.
    holdNext_ = true;
    ReplaceBytes("one.iff", "B");
    ASSERT_TRUE(WaitFor([this] { return held_ == 1; }));
    ReplaceBytes("one.iff", "C");
    gate_.release();
    ASSERT_TRUE(WaitUntilDrawn({"one.iff"}));
    EXPECT_EQ(ShownRed("one.iff"), 'C');
    // Undo brings back the bytes, and their picture.
    Adapter().Stack().undo();
    ASSERT_TRUE(WaitUntilDrawn({"one.iff"}));
    EXPECT_EQ(ShownRed("one.iff"), 'B');
    EXPECT_EQ(ShownRed("two.bmp"), '2');

    // Another archive while a picture is drawn: its entry 0 is not given
    // the picture of the old archive's entry 0.
    holdNext_ = true;
    ReplaceBytes("one.iff", "D");
    ASSERT_TRUE(WaitFor([this] { return held_ == 2; }));
    Doc().SetModified(false);
    ASSERT_TRUE(app_->OpenDocumentFile(Q(WriteArchive(folder_, "other.far", {{"other.iff", "Z"}}))));
    gate_.release();
    ASSERT_TRUE(WaitUntilDrawn({"other.iff"}));
    EXPECT_EQ(EntryOf("other.iff"), 0);
    EXPECT_EQ(ShownRed("other.iff"), 'Z');
}

TEST_F(FileIconViewTest, TheRowsInSightAreDrawnFirstThenTheNearestOnes)
{
    std::vector<FarFixtureFile> files;
    for (int i = 0; i < 400; ++i)
        files.push_back({"obj" + std::to_string(1000 + i) + ".iff", "x"});
    Open(files);
    Right().Thumbnails().SetWorkerCount(1);
    Frame().SetIconView(true);
    ASSERT_TRUE(WaitUntilDrawn({"obj1000.iff", "obj1399.iff"}));
    // From the middle of the grid, with every picture to draw again.
    FileIconView& grid = Right().IconView();
    Right().Thumbnails().SetMaker(FakeMaker());
    grid.scrollTo(Right().ViewIndex(200), QAbstractItemView::PositionAtCenter);
    ASSERT_TRUE(WaitUntilDrawn({"obj1000.iff", "obj1200.iff", "obj1399.iff"}));
    const auto [first, last] = grid.VisibleRows();
    ASSERT_GT(first, 0);
    ASSERT_LT(last, 399);

    const std::vector<std::string> calls = Calls();
    ASSERT_EQ(calls.size(), 400u);
    auto distance = [&, first = first, last = last](const std::string& name) {
        const int row = RowOf(name);
        return row < first ? first - row : (row > last ? row - last : 0);
    };
    const size_t visible = static_cast<size_t>(last - first + 1);
    for (size_t i = 0; i < calls.size(); ++i) {
        if (i < visible)
            EXPECT_EQ(distance(calls[i]), 0) << calls[i];
        else
            EXPECT_GE(distance(calls[i]), distance(calls[i - 1])) << calls[i];
    }
}

} // namespace
} // namespace vorn::apptest
