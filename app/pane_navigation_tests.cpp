#include "app/app_test_support.h"
#include "app/pane_focus_marker.h"

namespace vorn::apptest {
namespace {

const std::vector<vorn::testing::FarFixtureFile> kNested = {
    {"zeta\\b\\c.txt", "cc"},
    {"alpha\\d.txt", "ddd"},
    {"e.txt", "e"},
};

class PaneNavigationTest : public EditorTest {
protected:
    void SetUp() override
    {
        EditorTest::SetUp();
        ASSERT_TRUE(Start({Q(WriteArchive(folder_, "nested.far", kNested))}));
        ShowActive();
    }

    std::string SelectedName()
    {
        const std::vector<int> rows = Right().SelectedRows();
        return rows.size() == 1 ? Right().NameOf(rows[0]) : std::string("(") + std::to_string(rows.size()) + ")";
    }
};

TEST_F(PaneNavigationTest, BackspaceAndAltUpOpenTheParentWithTheDirectoryLeftSelected)
{
    Right().OnRowActivated(0);  // zeta
    Right().OnRowActivated(0);  // zeta\b
    ASSERT_EQ(Right().ShownPath(), "zeta\\b");
    Right().setFocus();

    QTest::keyClick(&Right(), Qt::Key_Backspace);
    EXPECT_EQ(Right().ShownPath(), "zeta");
    EXPECT_EQ(Left().PathOf(Left().currentIndex()), "zeta");
    EXPECT_EQ(SelectedName(), "b");
    QTest::keyClick(&Right(), Qt::Key_Up, Qt::AltModifier);
    EXPECT_EQ(Right().ShownPath(), "");
    EXPECT_EQ(Left().currentIndex(), Left().RootIndex());
    EXPECT_EQ(SelectedName(), "zeta");
    // At the root there is nowhere to go.
    QTest::keyClick(&Right(), Qt::Key_Backspace);
    EXPECT_EQ(Right().ShownPath(), "");
    EXPECT_EQ(RowNames(), (std::vector<std::string>{"zeta", "alpha", "e.txt"}));

    // In a name being edited Backspace deletes a letter, and in the tree it does nothing.
    Right().OnRowActivated(1);  // alpha
    Right().EditRow(0);
    auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
    ASSERT_NE(editor, nullptr);
    editor->setCursorPosition(editor->text().size());
    QTest::keyClick(editor, Qt::Key_Backspace);
    EXPECT_EQ(editor->text(), "d.tx");
    EXPECT_EQ(Right().ShownPath(), "alpha");
    QTest::keyClick(editor, Qt::Key_Escape);
    Left().setFocus();
    QTest::keyClick(&Left(), Qt::Key_Backspace);
    EXPECT_EQ(Right().ShownPath(), "alpha");
    EXPECT_EQ(messenger_.Count(), 0u);
}

TEST_F(PaneNavigationTest, ThePaneWithTheFocusShowsItsSelectionInTheFullHighlight)
{
    const QColor full = QApplication::palette().color(QPalette::Active, QPalette::Highlight);
    const QColor pale = PaneFocusMarker::UnfocusedHighlight(QApplication::palette());
    ASSERT_NE(full, pale);
    auto highlight = [](QWidget& pane) { return pane.palette().color(QPalette::Active, QPalette::Highlight); };

    Right().SelectRows({0});
    Right().setFocus();
    EXPECT_EQ(highlight(Right()), full);
    EXPECT_EQ(highlight(Left()), pale);
    EXPECT_EQ(Left().palette().color(QPalette::Active, QPalette::HighlightedText),
              QApplication::palette().color(QPalette::Active, QPalette::Text));
    QTest::keyClick(&Frame(), Qt::Key_F6);
    EXPECT_TRUE(Left().hasFocus());
    EXPECT_EQ(highlight(Left()), full);
    EXPECT_EQ(highlight(Right()), pale);
    // A name being edited keeps its pane marked as focused.
    Right().EditRow(0);
    EXPECT_NE(QApplication::focusWidget(), &Right());
    EXPECT_EQ(highlight(Right()), full);
    EXPECT_EQ(highlight(Left()), pale);
    // The window is destroyed with the name still being edited.
    EXPECT_TRUE(Right().IsEditing());
}

} // namespace
} // namespace vorn::apptest
