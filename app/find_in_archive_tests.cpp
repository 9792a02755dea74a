#include "app/app_test_support.h"
#include "app/file_filter_field.h"
#include "app/find_in_archive_dialog.h"
#include "app/resource_window.h"
#include "testing/iff_fixtures.h"

#include <QCheckBox>
#include <QTableView>
#include <QTreeWidget>

namespace vorn::apptest {
namespace {

class FindInArchiveTest : public EditorTest {};

TEST_F(FindInArchiveTest, HitsOfTheWholeArchiveShowTheirEntryInThePanesAndAStringItsChunk)
{
    vorn::testing::IffFileLayout layout;
    layout.chunks.push_back({"CTSS", 2000, 0x10, "catalogue",
                             vorn::testing::BuildStringTable(vorn::testing::StrLayout::Languages,
                                                             {{"Comfy Chair", "", 1}})});
    const std::vector<uint8_t> table = vorn::testing::BuildIffFile(layout);
    ASSERT_TRUE(Start({Q(WriteArchive(folder_, "find.far",
                                      {{"Objects\\Table.iff", std::string(table.begin(), table.end())},
                                       {"Objects\\Chair.iff", "x"},
                                       {"Other\\desk.txt", "d"}}))}));
    ShowActive();
    Left().SelectPath("Other");

    QTest::keyClick(&Frame(), Qt::Key_F, Qt::ControlModifier | Qt::ShiftModifier);
    auto* dialog = Frame().findChild<FindInArchiveDialog*>();
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(dialog->isVisible());
    dialog->PatternField()->setText(QStringLiteral("CHAIR"));
    dialog->StringsBox()->setChecked(true);
    QTest::keyClick(dialog->PatternField(), Qt::Key_Return);
    QTreeWidget* results = dialog->Results();
    ASSERT_EQ(results->topLevelItemCount(), 2);
    EXPECT_EQ(results->topLevelItem(0)->text(0), QStringLiteral("Objects\\Table.iff"));
    EXPECT_EQ(results->topLevelItem(0)->text(1), QStringLiteral("CTSS 2000 #0"));
    EXPECT_EQ(results->topLevelItem(0)->text(2), QStringLiteral("Comfy Chair"));
    EXPECT_EQ(results->topLevelItem(1)->text(1), QStringLiteral("name"));
    EXPECT_EQ(dialog->StatusText(), QStringLiteral("2 match(es)"));

    // The name hit's row is hidden by a filter of its directory: the filter goes.
    Left().SelectPath("Objects");
    Frame().FilterField()->Open();
    Frame().FilterField()->setText(QStringLiteral("table"));
    emit results->itemActivated(results->topLevelItem(1), 0);
    EXPECT_EQ(Right().ShownPath(), "Objects");
    EXPECT_FALSE(Right().Filter().IsActive());
    EXPECT_FALSE(Frame().FilterField()->isVisible());
    ASSERT_EQ(Right().SelectedRows().size(), 1u);
    EXPECT_EQ(Right().NameOf(Right().SelectedRows()[0]), "Chair.iff");

    // A string hit selects its file in another directory and opens its chunk.
    Left().SelectPath("Other");
    emit results->itemActivated(results->topLevelItem(0), 0);
    ASSERT_EQ(Right().SelectedRows().size(), 1u);
    EXPECT_EQ(Right().NameOf(Right().SelectedRows()[0]), "Table.iff");
    auto* window = Right().findChild<ResourceWindow*>();
    ASSERT_NE(window, nullptr);
    const QModelIndex current = window->ChunkList()->currentIndex();
    EXPECT_EQ(current.siblingAtColumn(0).data().toString(), QStringLiteral("CTSS"));

    // An entry gone since the search is named, not shown.
    ASSERT_TRUE(Doc().Tree().RemoveFile("Objects\\Chair.iff"));
    EXPECT_FALSE(ShowFindHit(Frame(), messenger_, dialog->Hits()[1]));
    // A character no archive name or string holds finds nothing.
    dialog->PatternField()->setText(QStringLiteral("\u20AC"));
    dialog->Find();
    EXPECT_EQ(results->topLevelItemCount(), 0);
}

} // namespace
} // namespace vorn::apptest
