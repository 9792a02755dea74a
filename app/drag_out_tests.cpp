#include "app/app_test_support.h"
#include "app/drag_out.h"

#include <QDropEvent>
#include <QMimeData>
#include <QUrl>

#include <filesystem>
#include <map>

namespace vorn::apptest {
namespace {

using vorn::testing::ReadFileBytes;

// Every file below `folder`, by its path relative to it, with its bytes.
std::map<std::string, std::string> FilesBelow(const std::filesystem::path& folder)
{
    std::map<std::string, std::string> files;
    for (const auto& item : std::filesystem::recursive_directory_iterator(folder)) {
        if (!item.is_regular_file())
            continue;
        const std::vector<uint8_t> bytes = ReadFileBytes(item.path());
        files[item.path().lexically_relative(folder).string()] = std::string(bytes.begin(), bytes.end());
    }
    return files;
}

class DragOutTest : public EditorTest {
protected:
    bool StartOnPeople()
    {
        if (!Start({Q(WriteArchive(folder_, "objects.far",
                                   {{"People\\Cook.iff", "cook bytes"},
                                    {"People\\Kids\\Toy.iff", "toy"},
                                    {"People\\Kids\\Deep\\Ball.bin", "round"},
                                    {"People\\Chef.iff", "chef"},
                                    {"Other\\Note.txt", "elsewhere"}}))}))
            return false;
        Left().SelectPath("People");
        return Right().ShownPath() == "People";
    }

    int RowNamed(const std::string& name)
    {
        for (int row = 0; row < Right().RowCount(); ++row)
            if (Right().NameOf(row) == name)
                return row;
        return -1;
    }
};

TEST_F(DragOutTest, AFileAndADirectoryAreOfferedAsFilesEqualToTheArchives)
{
    ASSERT_TRUE(StartOnPeople());
    EXPECT_TRUE(Right().dragEnabled());
    EXPECT_TRUE(Right().dragOut);

    DragOut dragOut(messenger_);
    const std::unique_ptr<QMimeData> data = dragOut.Prepare(Right(), {RowNamed("Kids"), RowNamed("Cook.iff")});
    ASSERT_NE(data, nullptr);
    EXPECT_TRUE(data->hasFormat(QStringLiteral("text/uri-list")));

    const std::filesystem::path made = dragOut.FolderPath().toStdString();
    ASSERT_FALSE(made.empty());
    EXPECT_NE(made.parent_path(), folder_.Path());  // a private folder, not beside the archive
    EXPECT_EQ(std::filesystem::status(made).permissions() & std::filesystem::perms::all,
              std::filesystem::perms::owner_all);

    QStringList offered;
    for (const QUrl& url : data->urls()) {
        ASSERT_TRUE(url.isLocalFile());
        offered << url.toLocalFile();
    }
    EXPECT_EQ(offered, (QStringList{Q(made / "Cook.iff"), Q(made / "Kids")}));
    EXPECT_EQ(FilesBelow(made), (std::map<std::string, std::string>{
                                    {"Cook.iff", "cook bytes"},
                                    {"Kids/Deep/Ball.bin", "round"},
                                    {"Kids/Toy.iff", "toy"},
                                }));
    EXPECT_EQ(messenger_.Count(), 0u);  // no count message, unlike Extract
    EXPECT_FALSE(Doc().IsModified());
}

TEST_F(DragOutTest, FilesOnlyInMemoryAreDraggedOutToo)
{
    ASSERT_TRUE(Start());
    const auto disk = folder_ / "new";
    std::filesystem::create_directories(disk / "Pack");
    vorn::testing::WriteFileBytes(disk / "Pack" / "inner.txt", vorn::testing::BytesOf("not saved yet"));
    ASSERT_EQ(Right().filesDropped(Right(), {(disk / "Pack").string()}), 1);

    DragOut dragOut(messenger_);
    const std::unique_ptr<QMimeData> data = dragOut.Prepare(Right(), {RowNamed("Pack")});
    ASSERT_NE(data, nullptr);
    const std::filesystem::path made = dragOut.FolderPath().toStdString();
    EXPECT_EQ(FilesBelow(made), (std::map<std::string, std::string>{{"Pack/inner.txt", "not saved yet"}}));
}

TEST_F(DragOutTest, EachDragsFolderIsRemovedByTheNextDragAndAtTheEnd)
{
    ASSERT_TRUE(StartOnPeople());
    std::filesystem::path first;
    std::filesystem::path second;
    {
        DragOut dragOut(messenger_);
        ASSERT_NE(dragOut.Prepare(Right(), {RowNamed("Chef.iff")}), nullptr);
        first = dragOut.FolderPath().toStdString();
        ASSERT_TRUE(std::filesystem::exists(first / "Chef.iff"));

        ASSERT_NE(dragOut.Prepare(Right(), {RowNamed("Kids")}), nullptr);
        second = dragOut.FolderPath().toStdString();
        EXPECT_NE(first, second);
        EXPECT_FALSE(std::filesystem::exists(first));
        EXPECT_TRUE(std::filesystem::exists(second / "Kids" / "Toy.iff"));
    }
    EXPECT_FALSE(std::filesystem::exists(second));
}

TEST_F(DragOutTest, ItsOwnRowsDroppedOnTheWindowAreNotAdded)
{
    ASSERT_TRUE(StartOnPeople());
    DragOut dragOut(messenger_);
    const std::unique_ptr<QMimeData> own = dragOut.Prepare(Right(), {RowNamed("Kids"), RowNamed("Cook.iff")});
    ASSERT_NE(own, nullptr);
    EXPECT_TRUE(IsOwnDragOut(own.get()));

    QDragEnterEvent enter(QPoint(50, 50), Qt::CopyAction, own.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&Frame(), &enter);
    EXPECT_FALSE(enter.isAccepted());
    QDropEvent drop(QPointF(50, 50), Qt::CopyAction, own.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&Frame(), &drop);
    EXPECT_FALSE(Doc().IsModified());
    EXPECT_EQ(messenger_.Count(), 0u);
    EXPECT_EQ(Right().RowCount(), 3);

    // The same files offered by another program are taken.
    QMimeData foreign;
    foreign.setUrls(own->urls());
    EXPECT_FALSE(IsOwnDragOut(&foreign));
    QDragEnterEvent foreignEnter(QPoint(50, 50), Qt::CopyAction, &foreign, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&Frame(), &foreignEnter);
    EXPECT_TRUE(foreignEnter.isAccepted());
}

} // namespace
} // namespace vorn::apptest
