#include "app/app_test_support.h"
#include "app/bitmap_view_dialog.h"
#include "app/text_view_dialog.h"
#include "app/viewer_dispatch.h"
#include "audio/qt/play_xa_dialog.h"
#include "base/debug_trace.h"
#include "base/number_text.h"
#include "sprites/qt/preview_objects_dialog.h"
#include "testing/bmp_builder.h"
#include "testing/iff_fixtures.h"
#include "testing/object_fixture.h"
#include "testing/xa_builder.h"

#include <QComboBox>
#include <QFontMetrics>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

#include <cstdlib>
#include <fstream>

namespace vorn::apptest {
namespace {

using vorn::testing::FarFixtureFile;

std::string Text(const std::vector<uint8_t>& bytes)
{
    return std::string(bytes.begin(), bytes.end());
}

// Mono, 22050 Hz: 1000 blocks of silence decode to 56000 sample bytes,
// (56036 - 1) / 44100 + 1 = 2 seconds.
std::string GoodXa()
{
    std::vector<uint8_t> blocks;
    for (int i = 0; i < 1000; ++i) {
        const std::vector<uint8_t> block = vorn::testing::XaBlock(0x00, {});
        blocks.insert(blocks.end(), block.begin(), block.end());
    }
    return Text(vorn::testing::BuildXa(1, 22050, blocks));
}

std::string Bitmap(int width, int height)
{
    vorn::testing::BmpLayout layout;
    layout.width = width;
    layout.height = height;
    layout.bitsPerPixel = 24;
    std::vector<std::vector<uint8_t>> rows;
    for (int y = 0; y < height; ++y) {
        std::vector<uint8_t> row;
        row.reserve(3 * static_cast<size_t>(width));
        for (int x = 0; x < width; ++x)
            row.insert(row.end(), {static_cast<uint8_t>(x * 255 / width), static_cast<uint8_t>(y * 255 / height), 200});
        rows.push_back(row);
    }
    layout.pixels = vorn::testing::PadRows(rows);
    return Text(vorn::testing::BuildBmp(layout));
}

class ViewerTest : public EditorTest {
protected:
    void SetUp() override
    {
        EditorTest::SetUp();
        ::setenv("SDL_AUDIODRIVER", "disk", 1);
        ::setenv("SDL_DISKAUDIOFILE", (folder_ / "audio.raw").c_str(), 1);
        DebugTrace::Instance().SetFileName((folder_ / "trace.log").string());
    }

    void TearDown() override
    {
        DebugTrace::Instance().SetFileName("");
        ::unsetenv("SDL_AUDIODRIVER");
        ::unsetenv("SDL_DISKAUDIOFILE");
        EditorTest::TearDown();
    }

    bool StartOn(const std::vector<FarFixtureFile>& files)
    {
        // The editor itself connects the list pane to the viewers.
        return Start({Q(WriteArchive(folder_, "viewers.far", files))});
    }

    int RowOf(const std::string& name)
    {
        for (int row = 0; row < Right().RowCount(); ++row) {
            if (Right().NameOf(row) == name)
                return row;
        }
        ADD_FAILURE() << "no row " << name;
        return -1;
    }

    // Activates a row; every modal dialog it opens is handed to `inspect`
    // and then closed by its close box. Returns the dialogs' titles.
    std::vector<QString> Activate(const std::string& name, const std::function<void(QDialog&)>& inspect = {})
    {
        const int row = RowOf(name);
        return WhileOpening([&] { Right().OnRowActivated(row); }, inspect);
    }

    std::vector<QString> WhileOpening(const std::function<void()>& open, const std::function<void(QDialog&)>& inspect = {})
    {
        std::vector<QString> titles;
        QTimer timer;
        timer.setInterval(5);
        QObject::connect(&timer, &QTimer::timeout, [&] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (!dialog || dialog->property("seenByTest").toBool())
                return;
            dialog->setProperty("seenByTest", true);
            titles.push_back(dialog->windowTitle());
            if (inspect)
                inspect(*dialog);
            dialog->close();
        });
        timer.start();
        open();
        timer.stop();
        return titles;
    }

    std::vector<std::string> TraceLines()
    {
        std::vector<std::string> lines;
        std::ifstream in(folder_ / "trace.log");
        for (std::string line; std::getline(in, line);)
            lines.push_back(line);
        std::filesystem::remove(folder_ / "trace.log");
        return lines;
    }

    void ExpectError(const std::string& text, const std::string& trace)
    {
        ASSERT_EQ(messenger_.Count(), 1u) << text;
        EXPECT_EQ(messenger_.Messages().back(), (Message{text, "Error", MessageIcon::Error, MessageButtons::Ok}));
        EXPECT_EQ(TraceLines(), std::vector<std::string>{trace});
        messenger_.Clear();
    }
};

TEST_F(ViewerTest, TheEndOfTheNameChoosesTheViewer)
{
    const std::string xa = GoodXa();
    ASSERT_TRUE(StartOn({{"music.xa", xa},
                         {"LOUD.XA", xa},
                         {"a.Xa", xa},
                         {".XA", xa},
                         {"file.xab", xa},
                         {"file.iffx", xa},
                         {"xa", xa},
                         {"picture.xa.bmp", Bitmap(4, 4)},
                         {"notes.txt", "text"},
                         {"GAME.INI", "[a]"},
                         {"user.Cfg", "b=1"},
                         {"notes.txt.bak", "text"},
                         {"sounds.xa\\inner.xa", xa}}));
    const std::pair<const char*, const char*> cases[] = {
        {"music.xa", "Play XA"},
        {"LOUD.XA", "Play XA"},
        {"a.Xa", "Play XA"},
        {".XA", "Play XA"},
        {"file.xab", nullptr},
        {"file.iffx", nullptr},
        {"xa", nullptr},
        {"notes.txt", "View Text file"},
        {"GAME.INI", "View Text file"},
        {"user.Cfg", "View Text file"},
        {"notes.txt.bak", nullptr},
        {"picture.xa.bmp", "View Bitmap file"},
    };
    for (const auto& [name, title] : cases) {
        const std::vector<QString> titles = Activate(name);
        if (title)
            EXPECT_EQ(titles, std::vector<QString>{QString::fromLatin1(title)}) << name;
        else
            EXPECT_TRUE(titles.empty()) << name;
    }
    EXPECT_EQ(messenger_.Count(), 0u);
    EXPECT_EQ(TraceLines(), (std::vector<std::string>{
                                "Going to show XA dialog box (\\music.xa)", "Going to show XA dialog box (\\LOUD.XA)",
                                "Going to show XA dialog box (\\a.Xa)", "Going to show XA dialog box (\\.XA)",
                                "TXT showing text file \\notes.txt", "TXT showing text file \\GAME.INI",
                                "TXT showing text file \\user.Cfg", "BMP showing bitmap \\picture.xa.bmp"}));

    // A directory whose name ends in ".xa" opens as a directory.
    EXPECT_TRUE(Activate("sounds.xa").empty());
    EXPECT_EQ(Right().ShownPath(), "sounds.xa");
}

TEST_F(ViewerTest, DoubleClickAndEnterOpenTheViewer)
{
    ASSERT_TRUE(StartOn({{"a.bmp", Bitmap(3, 3)}, {"music.xa", GoodXa()}}));
    Frame().show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&Frame()));
    const QRect rect = Right().visualRect(Right().ViewIndex(RowOf("music.xa")));
    EXPECT_EQ(WhileOpening([&] {
                  QTest::mouseClick(Right().viewport(), Qt::LeftButton, {}, rect.center());
                  QTest::mouseDClick(Right().viewport(), Qt::LeftButton, {}, rect.center());
              }),
              std::vector<QString>{"Play XA"});
    Right().SelectRows({RowOf("a.bmp")});
    Right().setFocus();
    EXPECT_EQ(WhileOpening([&] { QTest::keyClick(&Right(), Qt::Key_Return); }),
              std::vector<QString>{"View Bitmap file"});
}

TEST_F(ViewerTest, APlayerShowsTheRowPathAndTheLengthOfTheSound)
{
    std::vector<uint8_t> zeroRate = vorn::testing::BuildXa(1, 22050, vorn::testing::XaBlock(0x00, {}));
    std::fill(zeroRate.begin() + 16, zeroRate.begin() + 20, 0);  // a damaged byte rate
    ASSERT_TRUE(StartOn({{"music.xa", GoodXa()}, {"zero.xa", Text(zeroRate)}}));

    QString name, time;
    bool playable = false;
    auto read = [&](QDialog& dialog) {
        auto& player = static_cast<CPlayXaDialog&>(dialog);
        name = player.NameText();
        time = player.TimeText();
        playable = player.Player().IsInitialised() && player.Player().BufferCount() == 1;
    };
    Activate("music.xa", read);
    EXPECT_EQ(name, "\\music.xa");
    EXPECT_EQ(time, "0:02");
    EXPECT_TRUE(playable);
    Activate("zero.xa", read);
    EXPECT_EQ(time, "0:00");
    EXPECT_EQ(messenger_.Count(), 0u);
    EXPECT_FALSE(Doc().IsModified());
}

TEST_F(ViewerTest, SoundFailuresShowTheirMessagesAndNoPlayer)
{
    ASSERT_TRUE(StartOn({{"bad.xa", Text(vorn::testing::BuildXa(1, 22050, vorn::testing::XaBlock(0x50, {})))},
                         {"short.xa", "XA too short"},
                         {"music.xa", GoodXa()}}));
    EXPECT_TRUE(Activate("bad.xa").empty());
    ExpectError("Can't decompress XA file!", "XA Decompress() error");
    EXPECT_TRUE(Activate("short.xa").empty());
    ExpectError("Can't decompress XA file!", "XA Decompress() error");

    // No sound output: the player's own message first, then the viewer's.
    ::setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    EXPECT_TRUE(Activate("music.xa").empty());
    ASSERT_EQ(messenger_.Count(), 2u);
    messenger_.Clear();
    EXPECT_TRUE(Activate("music.xa").empty());
    const std::vector<Message> messages = messenger_.Messages();
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[1], (Message{"Couldn't init DirectSound!", "Error", MessageIcon::Error, MessageButtons::Ok}));
    EXPECT_EQ(TraceLines(), (std::vector<std::string>{"XA Init() error", "XA Init() error"}));
}

TEST_F(ViewerTest, BytesThatCannotBeReadGiveCantLoadFile)
{
    ASSERT_TRUE(StartOn({{"first.txt", std::string(64, 'f')},
                         {"music.xa", GoodXa()},
                         {"object.iff", "iff bytes"},
                         {"picture.bmp", Bitmap(2, 2)}}));
    // The entries' bytes are read from the archive on first use: cut it short.
    std::filesystem::resize_file(folder_ / "viewers.far", 16 + 32);
    EXPECT_TRUE(Activate("music.xa").empty());
    ExpectError("Can't load file!", "XA ExtractFile() error");
    EXPECT_TRUE(Activate("object.iff").empty());
    ExpectError("Can't load file!", "IFF ExtractFile() error");
    EXPECT_TRUE(Activate("picture.bmp").empty());
    ExpectError("Can't load file!", "BMP ExtractFile() error");
    EXPECT_EQ(RowNames().size(), 4u);
    EXPECT_FALSE(Doc().IsModified());
}

TEST_F(ViewerTest, IffFilesThatAreNotContainersOrHoldNoObjects)
{
    vorn::testing::IffFileLayout palette;
    palette.chunks.push_back({"PALT", 0x80, 0x0010, "palette", vorn::testing::BuildPalt({255, 0, 0}), true});
    ASSERT_TRUE(StartOn({{"text.iff", "This is not an IFF file at all, just some words."},
                         {"palette.IFF", Text(vorn::testing::BuildIffFile(palette))}}));
    EXPECT_TRUE(Activate("text.iff").empty());
    ExpectError("This file is not a valid IFF file!", "IFF OpenIFFFile() error");
    EXPECT_TRUE(Activate("palette.IFF").empty());
    ExpectError("This file does not contain objects!", "IFF Object LoadIFFFile() error");
    EXPECT_FALSE(Doc().IsModified());
}

// One object drawn from one sprite whose frame names palette 0, so Fix
// Colors has a frame to change. Written without a resource map: a save adds
// one, so the saved file is longer than the stored one.
std::string ObjectFile()
{
    using namespace vorn::testing;
    IffFileLayout layout;
    layout.map = IffMapPlacement::None;
    std::vector<uint8_t> ramp;
    for (int i = 0; i < 256; ++i)
        ramp.insert(ramp.end(), {static_cast<uint8_t>(i), 128, static_cast<uint8_t>(255 - i)});
    layout.chunks.push_back(Chunk("PALT", 1, BuildPalt(ramp)));
    layout.chunks.push_back(Chunk("SPR2", 100, BuildSpr2(1, {SolidFrame(20, 30, 40, std::nullopt, 0)})));
    layout.chunks.push_back(DgrpChunk(100, 0xFF, 3, {Placement(100, 0, 0, 0)}));
    layout.chunks.push_back(ObjdChunk(128, "chair", 100, 1));
    return Text(BuildIffFile(layout));
}

TEST_F(ViewerTest, ASavedObjectChangeRefreshesTheRowsSize)
{
    const std::string object = ObjectFile();
    ASSERT_TRUE(StartOn({{"Objects\\chair.iff", object}, {"Objects\\readme.txt", "x"}}));
    Right().OnRowActivated(RowOf("Objects"));
    const std::string before = Right().SizeTextOf(RowOf("chair.iff"));
    EXPECT_EQ(before, FormatGroupedNumber(object.size()));

    // Looked at, Fix Colors pressed, closed without saving: nothing changes.
    int objects = 0;
    EXPECT_EQ(Activate("chair.iff",
                       [&](QDialog& dialog) {
                           auto& preview = static_cast<CPreviewObjectsDialog&>(dialog);
                           objects = preview.ObjectList()->count();
                           QTest::mouseClick(preview.FixColorsButton(), Qt::LeftButton);
                       }),
              std::vector<QString>{"Preview object(s)"});
    EXPECT_EQ(objects, 1);
    EXPECT_EQ(Right().SizeTextOf(RowOf("chair.iff")), before);
    EXPECT_FALSE(Doc().IsModified());
    // The previewer adds its own lines (the pixel type) after the viewer's.
    EXPECT_EQ(TraceLines().front(), "Going to view IFF file Objects\\chair.iff.");

    // Saved: the pane is refilled and the row shows the entry's new size.
    Activate("chair.iff", [&](QDialog& dialog) {
        auto& preview = static_cast<CPreviewObjectsDialog&>(dialog);
        QTest::mouseClick(preview.FixColorsButton(), Qt::LeftButton);
        ASSERT_TRUE(preview.SaveChangesButton()->isEnabled());
        QTest::mouseClick(preview.SaveChangesButton(), Qt::LeftButton);
        dialog.grab().save("viewer_iff.png");
    });
    EXPECT_TRUE(Doc().IsModified());
    const std::optional<std::vector<uint8_t>> saved = Doc().Tree().CopyEntryData("Objects\\chair.iff");
    ASSERT_TRUE(saved);
    EXPECT_GT(saved->size(), object.size());
    EXPECT_EQ(Right().SizeTextOf(RowOf("chair.iff")), FormatGroupedNumber(saved->size()));
    EXPECT_EQ(RowNames(), (std::vector<std::string>{"chair.iff", "readme.txt"}));
    const std::vector<std::string> trace = TraceLines();
    ASSERT_GE(trace.size(), 2u);
    EXPECT_EQ(trace.front(), "Going to view IFF file Objects\\chair.iff.");
    EXPECT_EQ(trace.back(), "IFF file Objects\\chair.iff updated!");
    EXPECT_EQ(messenger_.Count(), 0u);
}

TEST_F(ViewerTest, BitmapsOpenAtTheirNaturalSize)
{
    std::string cut = Bitmap(100, 50);
    cut.resize(cut.size() - 1);
    std::string notBm = Bitmap(4, 4);
    notBm[0] = 'X';
    ASSERT_TRUE(StartOn({{"picture.bmp", Bitmap(100, 50)},
                         {"cut.bmp", cut},
                         {"fake.BMP", notBm},
                         {"huge.bmp", Bitmap(1600, 300)}}));

    QSize client, picture, outer;
    Activate("picture.bmp", [&](QDialog& dialog) {
        auto& view = static_cast<BitmapViewDialog&>(dialog);
        client = view.size();
        picture = view.Picture()->pixmap().size();
        outer = view.RequestedOuterSize();
        EXPECT_EQ(view.Picture()->pos(), QPoint(0, 0));
        EXPECT_EQ(view.Picture()->pixmap().toImage().pixel(99, 0) & 0xFFFFFF, 0xC8F9FCu);  // top right: the last row stored
        view.grab().save("viewer_bitmap.png");
    });
    EXPECT_EQ(client, QSize(100, 50));
    EXPECT_EQ(picture, QSize(100, 50));
    // The client area is the picture; with a frame of 8 by 24 around it the
    // window measures 108 by 74.
    EXPECT_EQ(outer, QSize(108, 74));
    EXPECT_EQ(TraceLines(), std::vector<std::string>{"BMP showing bitmap \\picture.bmp"});

    // Wider than the screen: the window takes the width there is and scrolls
    // the picture, which keeps its size; the height is the picture's and the bar's.
    Activate("huge.bmp", [&](QDialog& dialog) {
        auto& view = static_cast<BitmapViewDialog&>(dialog);
        client = view.size();
        picture = view.Picture()->size();
        const int screenWidth = view.screen()->availableGeometry().width();
        EXPECT_LE(view.frameGeometry().width(), screenWidth);
        EXPECT_GT(client.width(), screenWidth * 9 / 10);
        EXPECT_GT(client.height(), 300);
    });
    EXPECT_LT(client.width(), 1600);
    EXPECT_EQ(picture, QSize(1600, 300));
    TraceLines();

    EXPECT_TRUE(Activate("cut.bmp").empty());
    ExpectError("This file is not a valid BMP file!", "BMP LoadBitmap() error");
    EXPECT_TRUE(Activate("fake.BMP").empty());
    ExpectError("This file is not a valid BMP file!", "BMP LoadBitmap() error");
}

TEST_F(ViewerTest, TextFilesOpenReadOnlyInAMonospaceFontWithFind)
{
    ASSERT_TRUE(StartOn({{"readme.txt", "one cafe\ntwo CAFE\nthree caf\xE9\n"}}));
    QString shown;
    std::vector<int> found;
    Activate("readme.txt", [&](QDialog& dialog) {
        auto& view = static_cast<TextViewDialog&>(dialog);
        QApplication::setActiveWindow(&view);  // shortcuts work in the active window
        ASSERT_TRUE(QTest::qWaitForWindowActive(&view));
        QPlainTextEdit& text = *view.Viewer();
        shown = text.toPlainText();
        const QFontMetrics metrics(text.font());  // every letter as wide as the next
        EXPECT_EQ(metrics.horizontalAdvance(QStringLiteral("iiii")), metrics.horizontalAdvance(QStringLiteral("MMMM")));
        QTest::keyClicks(&text, "typed");  // read-only
        EXPECT_EQ(text.toPlainText(), shown);

        // Ctrl+F goes to the find line; Enter and F3 go on, wrapping at the end;
        // Shift+F3 goes back; letter case does not count.
        QTest::keyClick(&view, Qt::Key_F, Qt::ControlModifier);
        EXPECT_TRUE(view.FindField()->hasFocus());
        QTest::keyClicks(view.FindField(), "cafe");
        QTest::keyClick(view.FindField(), Qt::Key_Return);
        found.push_back(text.textCursor().selectionStart());
        QTest::keyClick(view.FindField(), Qt::Key_F3);
        found.push_back(text.textCursor().selectionStart());
        QTest::keyClick(view.FindField(), Qt::Key_F3);
        found.push_back(text.textCursor().selectionStart());
        QTest::keyClick(view.FindField(), Qt::Key_F3, Qt::ShiftModifier);
        found.push_back(text.textCursor().selectionStart());
        view.FindField()->setText(QString::fromUtf8("CAF\u00C9"));
        EXPECT_TRUE(view.FindNext());
        found.push_back(text.textCursor().selectionStart());
        view.FindField()->setText(QStringLiteral("tea"));
        EXPECT_FALSE(view.FindNext());
        EXPECT_EQ(view.findChild<QLabel*>(QStringLiteral("findStatus"))->text(), "Not found");
        EXPECT_EQ(text.textCursor().selectionStart(), found.back());  // the last match stays selected
    });
    // The bytes as Latin-1.
    EXPECT_EQ(shown, QString::fromUtf8("one cafe\ntwo CAFE\nthree caf\u00E9\n"));
    EXPECT_EQ(found, (std::vector<int>{4, 13, 4, 13, 24}));
    EXPECT_EQ(messenger_.Count(), 0u);
}

TEST_F(ViewerTest, TheBitmapWindowClosesByItsCloseBoxEnterOrEscape)
{
    QImage image(30, 20, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    const std::pair<std::function<void(QDialog&)>, int> ways[] = {
        {[](QDialog& d) { d.close(); }, BitmapViewDialog::kCancel},
        {[](QDialog& d) { QTest::keyClick(&d, Qt::Key_Escape); }, BitmapViewDialog::kCancel},
        {[](QDialog& d) { QTest::keyClick(&d, Qt::Key_Return); }, BitmapViewDialog::kOk},
        {[](QDialog& d) { QTest::keyClick(&d, Qt::Key_Enter, Qt::KeypadModifier); }, BitmapViewDialog::kOk},
    };
    for (const auto& [close, result] : ways) {
        BitmapViewDialog dialog;
        dialog.SetBitmap(image);
        EXPECT_EQ(dialog.windowTitle(), "View Bitmap file");
        QTimer::singleShot(0, &dialog, [&, close = close] { close(dialog); });
        EXPECT_EQ(dialog.exec(), result);
        EXPECT_FALSE(dialog.isVisible());
    }
}

TEST_F(ViewerTest, ScreenshotOfThePlayer)
{
    ASSERT_TRUE(StartOn({{"Sounds\\door.xa", GoodXa()}}));
    Right().OnRowActivated(RowOf("Sounds"));
    const std::vector<QString> titles =
        Activate("door.xa", [](QDialog& dialog) { EXPECT_TRUE(dialog.grab().save("viewer_xa.png")); });
    EXPECT_EQ(titles, std::vector<QString>{"Play XA"});
}

} // namespace
} // namespace vorn::apptest
