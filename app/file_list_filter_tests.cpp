#include "app/app_test_support.h"
#include "app/file_commands.h"
#include "app/file_filter_field.h"
#include "app/file_list_filter.h"
#include "app/ui_text.h"
#include "base/memory_stream.h"
#include "base/name_compare.h"

#include <QSignalSpy>
#include <QUndoStack>

namespace vorn::apptest {
namespace {

class FileFilterTest : public EditorTest {
protected:
    void SetUp() override
    {
        EditorTest::SetUp();
        ASSERT_TRUE(Start({Q(WriteArchive(folder_, "filter.far",
                                          {{"obj\\Chairs\\x.iff", "x"},
                                           {"obj\\Chair.iff", "c"},
                                           {"obj\\chairBig.iff", "cc"},
                                           {"obj\\Table.iff", "ttt"},
                                           {"obj\\caf\xE9.bmp", "b"},
                                           {"other\\chair2.iff", "o"}}))}));
        ShowActive();
        Left().SelectPath("obj");
    }

    FileFilterField& Field() { return *Frame().FilterField(); }

    void Type(const QString& text)
    {
        QTest::keyClick(&Frame(), Qt::Key_F, Qt::ControlModifier);
        ASSERT_TRUE(Field().isVisible());
        ASSERT_TRUE(Field().hasFocus());
        Field().setText(text);
    }

    // The rows that show, by name; and every row shows exactly when its name
    // holds `text` under the archive's letter-case rule.
    std::vector<std::string> ShownNames(const std::string& text)
    {
        std::vector<std::string> names;
        for (int row = 0; row < Right().RowCount(); ++row) {
            const QModelIndex shown = Right().ViewIndex(row);
            EXPECT_EQ(shown.isValid(), ContainsNoCase(Right().NameOf(row), text)) << Right().NameOf(row);
            if (!shown.isValid())
                continue;
            // The view's rows are the matching rows in the model's order.
            EXPECT_EQ(shown.row(), static_cast<int>(names.size()));
            EXPECT_EQ(Right().RowOf(shown), row);
            EXPECT_EQ(shown.data().toString(), FromArchive(Right().NameOf(row)));
            names.push_back(Right().NameOf(row));
        }
        EXPECT_EQ(Right().model()->rowCount(), static_cast<int>(names.size()));
        const QString summary = QStringLiteral("%1 of %2 item(s) shown").arg(names.size()).arg(Right().RowCount());
        EXPECT_EQ(Frame().FilterSummary(), Right().Filter().IsActive() ? summary : QString());
        return names;
    }

    using Names = std::vector<std::string>;
};

TEST_F(FileFilterTest, TypingNarrowsTheShownDirectoryAndEscapeOrAnotherDirectoryClearsIt)
{
    Type(QStringLiteral("CHAIR"));
    EXPECT_EQ(ShownNames("chair"), (Names{"Chairs", "Chair.iff", "chairBig.iff"}));
    EXPECT_EQ(Frame().FilterSummary(), QStringLiteral("3 of 5 item(s) shown"));
    // Only ASCII letters fold, as archive names compare; a character no
    // archive name can hold matches nothing.
    Field().setText(QStringLiteral("CAF\u00C9"));
    EXPECT_EQ(ShownNames("caf\xC9"), Names{});
    Field().setText(QStringLiteral("CAF\u00E9"));
    EXPECT_EQ(ShownNames("caf\xE9"), Names{"caf\xE9.bmp"});
    Field().setText(QStringLiteral("\u20AC"));
    EXPECT_EQ(Frame().FilterSummary(), QStringLiteral("0 of 5 item(s) shown"));

    QTest::keyClick(&Field(), Qt::Key_Escape);
    EXPECT_FALSE(Field().isVisible());
    EXPECT_TRUE(Right().hasFocus());
    EXPECT_EQ(ShownNames("").size(), 5u);
    EXPECT_TRUE(Frame().FilterSummary().isEmpty() && !Frame().findChild<QLabel*>("filterPane")->isVisible());

    // Another directory drops the filter; a refill of the same one keeps it.
    Type(QStringLiteral("chair"));
    Left().SelectPath("other");
    EXPECT_FALSE(Field().isVisible());
    EXPECT_TRUE(Field().text().isEmpty());
    EXPECT_FALSE(Right().Filter().IsActive());
    EXPECT_EQ(Right().RowCount(), 1);
    EXPECT_TRUE(Right().ViewIndex(0).isValid());
}

TEST_F(FileFilterTest, CommandsActOnShownRowsOnlyAndTheFilterFollowsEveryEdit)
{
    Right().setFocus();
    Right().selectAll();
    Type(QStringLiteral("chair"));
    // Rows the filter hides leave the selection, so a command cannot reach them.
    std::vector<std::string> selected;
    for (int row : Right().SelectedRows())
        selected.push_back(Right().NameOf(row));
    EXPECT_EQ(selected, (Names{"Chairs", "Chair.iff", "chairBig.iff"}));
    messenger_.Script({MessageAnswer::Yes});
    DeleteSelection(Right(), messenger_);
    EXPECT_EQ(ShownNames("chair"), Names{});
    EXPECT_EQ(Right().RowCount(), 2);  // Table.iff and café.bmp were not touched
    Adapter().Stack().undo();
    EXPECT_EQ(ShownNames("chair").size(), 3u);

    // Renames show or hide a row by its new name; sorting keeps each row's state.
    Adapter().Begin("rename");
    ASSERT_TRUE(Doc().Tree().RenameFile("obj\\Table.iff", "obj\\TableChair.iff"));
    ASSERT_TRUE(Doc().Tree().RenameFile("obj\\Chair.iff", "obj\\Stool.iff"));
    Adapter().End();
    EXPECT_EQ(ShownNames("chair"), (Names{"Chairs", "chairBig.iff", "TableChair.iff"}));
    Right().SortByColumn(1);
    Right().SortByColumn(0);
    EXPECT_EQ(ShownNames("chair"), (Names{"Chairs", "TableChair.iff", "chairBig.iff"}));
    // A selection made by row numbers leaves out hidden rows.
    Right().SelectRows({0, 1, 2, 3, 4});
    EXPECT_EQ(Right().SelectedRows().size(), 3u);

    // Rows added one by one are checked as they come; an edit of many rows
    // fills the list again, and the filter holds.
    Adapter().Begin("add");
    for (int i = 0; i < 400; ++i) {
        MemoryStream bytes;
        ASSERT_TRUE(Doc().Tree().AddFile("obj\\" + std::string(i % 2 ? "chair" : "desk") + std::to_string(i) + ".iff",
                                         bytes, false));
    }
    Adapter().End();
    EXPECT_EQ(ShownNames("chair").size(), 203u);
    QSignalSpy refills(&Right().Model(), &QAbstractItemModel::modelReset);
    Adapter().Begin("remove");
    for (int i = 0; i < 300; ++i)
        ASSERT_TRUE(Doc().Tree().RemoveFile("obj\\" + std::string(i % 2 ? "chair" : "desk") + std::to_string(i) + ".iff"));
    Adapter().End();
    EXPECT_EQ(refills.count(), 1);
    EXPECT_TRUE(Right().Filter().IsActive());
    EXPECT_EQ(ShownNames("chair").size(), 53u);
}

} // namespace
} // namespace vorn::apptest
