#include "archive/vorn_doc.h"

#include "base/file_stream.h"
#include "base/memory_stream.h"
#include "base/recording_messenger.h"
#include "testing/far_fixture.h"
#include "testing/temp_dir.h"

#include <gtest/gtest.h>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vorn {
namespace {

using testing::FarFixtureFile;
using testing::MakeFarImage;
using testing::ReadFileBytes;
using testing::TempDir;
using testing::WriteFileBytes;

const std::vector<FarFixtureFile> kFiles = {
    {"readme.txt", "hello"},
    {"Objects\\Chair.iff", "chair"},
    {"Objects\\Deep\\Lamp.iff", "lamp!"},
};

bool SetImmutable(const std::filesystem::path& path, bool on)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    int flags = 0;
    bool done = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    if (done) {
        flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
        done = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    }
    ::close(fd);
    return done;
}

Message ErrorBox(const std::string& text)
{
    return Message{text, "Error", MessageIcon::Error, MessageButtons::Ok};
}

std::vector<std::string> EntryNamesOnDisk(const std::filesystem::path& path)
{
    int error = 0;
    auto file = FileStream::Open(path, FileMode::Read, error);
    CFarArchive archive;
    EXPECT_TRUE(file && archive.Load(*file));
    std::vector<std::string> names;
    for (const CFarEntry& entry : archive.Entries())
        names.push_back(entry.name);
    return names;
}

// The image with one record's offset pointing past the end of the file.
std::vector<uint8_t> WithDamagedOffset(std::vector<uint8_t> image, size_t recordsBefore, size_t nameBytesBefore)
{
    const uint32_t manifest = image[12] | image[13] << 8 | image[14] << 16 | image[15] << 24;
    const size_t record = manifest + 4 + recordsBefore * 16 + nameBytesBefore;
    image[record + 8] = 0xF0;
    image[record + 9] = 0xFF;
    return image;
}

class DocTest : public ::testing::Test {
protected:
    DocTest()
    {
        WriteFileBytes(dir / "one.far", MakeFarImage(kFiles));
        doc.SetTitleChangedHandler([this](const std::string& title) { titles.push_back(title); });
    }

    std::vector<std::string> NamesOfRoot() const
    {
        std::vector<std::string> names;
        for (const CFarDirectory& directory : doc.Tree().Root().Subdirectories())
            names.push_back(directory.Name());
        return names;
    }

    TempDir dir;
    RecordingMessenger messenger;
    CVornDoc doc{messenger};
    std::vector<std::string> titles;
};

TEST_F(DocTest, TitleFollowsOpenEditAndQuickSave)
{
    ASSERT_TRUE(doc.OpenDocument(dir / "one.far"));
    EXPECT_EQ(doc.GetTitle(), "one.far");
    EXPECT_EQ(doc.GetPathName(), dir / "one.far");
    EXPECT_FALSE(doc.IsModified());
    EXPECT_FALSE(doc.CanQuickSave());
    EXPECT_EQ(messenger.Count(), 0u);
    EXPECT_NE(doc.Tree().FindFileItem("objects\\deep\\lamp.iff"), nullptr);

    ASSERT_TRUE(doc.Tree().RemoveFile("readme.txt"));
    doc.SetModified(true);
    EXPECT_EQ(doc.GetTitle(), "one.far *");
    EXPECT_EQ(doc.GetPlainTitle(), "one.far");
    doc.SetModified(true); // never doubled
    EXPECT_EQ(doc.GetTitle(), "one.far *");
    EXPECT_TRUE(doc.CanQuickSave());

    ASSERT_TRUE(doc.QuickSave());
    EXPECT_EQ(doc.GetTitle(), "one.far");
    EXPECT_FALSE(doc.IsModified());
    EXPECT_EQ(titles.back(), "one.far");
    EXPECT_NE(std::find(titles.begin(), titles.end(), "one.far *"), titles.end());
    EXPECT_EQ(EntryNamesOnDisk(dir / "one.far"),
              (std::vector<std::string>{"Objects\\Chair.iff", "Objects\\Deep\\Lamp.iff"}));
}

TEST_F(DocTest, NewThenQuickSaveFailsUntilSavedAs)
{
    EXPECT_EQ(doc.GetTitle(), "Untitled");
    EXPECT_EQ(doc.Tree().Archive(), &doc.Archive());
    ASSERT_TRUE(doc.OpenDocument(dir / "one.far"));
    ASSERT_TRUE(doc.NewDocument());
    EXPECT_EQ(doc.GetTitle(), "Untitled");
    EXPECT_TRUE(doc.GetPathName().empty());
    EXPECT_EQ(doc.Tree().EntryCount(), 0u);
    EXPECT_EQ(doc.Tree().FindFileItem("readme.txt"), nullptr);
    MemoryStream bytes(std::span<const uint8_t>(reinterpret_cast<const uint8_t*>("abc"), 3));
    ASSERT_TRUE(doc.Tree().AddFile("new\\file.txt", bytes, false));
    doc.SetModified(true);
    EXPECT_FALSE(doc.CanQuickSave());
    EXPECT_FALSE(doc.QuickSave());
    EXPECT_EQ(doc.GetTitle(), "Untitled *");

    ASSERT_TRUE(doc.SaveDocument(dir / "new.far"));
    EXPECT_EQ(doc.GetTitle(), "new.far");
    ASSERT_TRUE(doc.Tree().RenameFile("new\\file.txt", "new\\renamed.txt"));
    doc.SetModified(true);
    ASSERT_TRUE(doc.QuickSave());
    EXPECT_EQ(EntryNamesOnDisk(dir / "new.far"), std::vector<std::string>{"new\\renamed.txt"});
    // The old archive was released by New: another document may take it.
    RecordingMessenger otherMessenger;
    CVornDoc other(otherMessenger);
    EXPECT_TRUE(other.OpenDocument(dir / "one.far"));
}

TEST_F(DocTest, SaveAsMovesQuickSavesToTheNewFile)
{
    ASSERT_TRUE(doc.OpenDocument(dir / "one.far"));
    const std::vector<uint8_t> original = ReadFileBytes(dir / "one.far");
    ASSERT_TRUE(doc.Tree().DeleteDirectory("objects\\deep"));
    doc.SetModified(true);
    ASSERT_TRUE(doc.SaveDocument(dir / "two.far"));
    EXPECT_EQ(doc.GetTitle(), "two.far");
    EXPECT_EQ(doc.GetPathName(), dir / "two.far");
    EXPECT_EQ(ReadFileBytes(dir / "two.far"),
              MakeFarImage({{"readme.txt", "hello"}, {"Objects\\Chair.iff", "chair"}}));

    ASSERT_TRUE(doc.Tree().MoveFileItem("readme.txt", "objects"));
    doc.SetModified(true);
    ASSERT_TRUE(doc.QuickSave());
    EXPECT_EQ(ReadFileBytes(dir / "one.far"), original);
    EXPECT_EQ(EntryNamesOnDisk(dir / "two.far"),
              (std::vector<std::string>{"Objects\\readme.txt", "Objects\\Chair.iff"}));

    // The saved file is held again; the one left behind is free.
    RecordingMessenger otherMessenger;
    CVornDoc other(otherMessenger);
    EXPECT_FALSE(other.OpenDocument(dir / "two.far"));
    EXPECT_TRUE(other.OpenDocument(dir / "one.far"));
}

TEST_F(DocTest, SaveOverTheOpenFileKeepsItUsable)
{
    ASSERT_TRUE(doc.OpenDocument(dir / "one.far"));
    ASSERT_TRUE(doc.Tree().RemoveFile("objects\\chair.iff"));
    doc.SetModified(true);
    ASSERT_TRUE(doc.SaveDocument(doc.GetPathName()));
    EXPECT_FALSE(doc.IsModified());
    EXPECT_EQ(ReadFileBytes(dir / "one.far"),
              MakeFarImage({{"readme.txt", "hello"}, {"Objects\\Deep\\Lamp.iff", "lamp!"}}));
    const std::vector<uint8_t> bytes = *doc.Tree().CopyEntryData("objects\\deep\\lamp.iff");
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "lamp!");
    doc.SetModified(true);
    EXPECT_TRUE(doc.QuickSave());
    EXPECT_EQ(EntryNamesOnDisk(dir / "one.far").size(), 2u);
}

TEST_F(DocTest, SecondOpenOfAHeldFileIsASharingViolation)
{
    ASSERT_TRUE(doc.OpenDocument(dir / "one.far"));
    RecordingMessenger otherMessenger;
    CVornDoc other(otherMessenger);
    EXPECT_FALSE(other.OpenDocument(dir / "one.far"));
    ASSERT_EQ(otherMessenger.Count(), 1u);
    EXPECT_EQ(otherMessenger.Messages()[0],
              ErrorBox("A sharing violation occurred while accessing " + (dir / "one.far").string() + "."));
    EXPECT_EQ(other.GetTitle(), "Untitled");
    EXPECT_TRUE(other.GetPathName().empty());

    // Saving another document over the held file is refused the same way.
    EXPECT_FALSE(other.SaveDocument(dir / "one.far"));
    EXPECT_EQ(otherMessenger.Messages().back().text,
              "A sharing violation occurred while accessing " + (dir / "one.far").string() + ".");
    EXPECT_EQ(doc.Tree().EntryCount(), 3u);

    // The holder itself opening its own file again changes nothing.
    EXPECT_TRUE(doc.OpenDocument(dir / "one.far"));
    EXPECT_EQ(messenger.Count(), 0u);
}

TEST_F(DocTest, ABrowsedArchiveIsSharedWithReadersAndRefusesEveryChangeButACopy)
{
    const std::filesystem::path path = dir / "one.far";
    const std::vector<uint8_t> original = ReadFileBytes(path);
    ASSERT_TRUE(doc.OpenDocument(path, OpenAccess::ReadOnlyShared));
    EXPECT_TRUE(doc.IsReadOnly());
    EXPECT_EQ(doc.GetTitle(), "one.far");
    EXPECT_EQ(doc.Tree().EntryCount(), 3u);

    // Another browser shares the file; an editor, opening it or saving over
    // it, is refused while either browses.
    const std::string violation = "A sharing violation occurred while accessing " + path.string() + ".";
    RecordingMessenger otherMessenger;
    CVornDoc reader(otherMessenger);
    CVornDoc writer(otherMessenger);
    ASSERT_TRUE(reader.OpenDocument(path, OpenAccess::ReadOnlyShared));
    EXPECT_FALSE(writer.OpenDocument(path));
    EXPECT_EQ(otherMessenger.Messages().back().text, violation);
    EXPECT_FALSE(writer.SaveDocument(path));
    EXPECT_EQ(otherMessenger.Messages().back().text, violation);
    reader.NewDocument();
    EXPECT_FALSE(writer.OpenDocument(path));
    EXPECT_EQ(otherMessenger.Count(), 3u);

    // Every change is refused and changes nothing; no step is recorded.
    MemoryStream bytes(std::span<const uint8_t>(reinterpret_cast<const uint8_t*>("abc"), 3));
    CFarDirectoryTree& tree = doc.Tree();
    doc.BeginEdit("Changes");
    EXPECT_FALSE(tree.RemoveFile("readme.txt"));
    EXPECT_FALSE(tree.RenameFile("readme.txt", "other.txt"));
    EXPECT_FALSE(tree.MoveFileItem("readme.txt", "objects"));
    EXPECT_FALSE(tree.DeleteDirectory("objects\\deep"));
    EXPECT_FALSE(tree.RenameDirectory("objects", "things"));
    EXPECT_FALSE(tree.MoveDirectory("objects\\deep", ""));
    EXPECT_FALSE(tree.MakeDirectory("new"));
    EXPECT_FALSE(tree.AddFile("readme.txt", bytes, true));
    EXPECT_FALSE(tree.AddFile("added.txt", bytes, false));
    EXPECT_FALSE(doc.Archive().SetData(0, bytes));
    EXPECT_EQ(doc.EndEdit(), nullptr);
    EXPECT_FALSE(doc.IsModified());
    EXPECT_EQ(NamesOfRoot(), std::vector<std::string>{"Objects"});
    EXPECT_EQ(tree.GetDirectory("objects")->Subdirectories().size(), 1u);
    EXPECT_EQ(doc.Archive().Entries().size(), 3u);
    EXPECT_EQ(std::string(doc.Archive().Entry(0)->name), "readme.txt");
    EXPECT_EQ(*tree.CopyEntryData("readme.txt"), std::vector<uint8_t>({'h', 'e', 'l', 'l', 'o'}));
    doc.SetModified(true);  // even so, nothing goes into the browsed file
    EXPECT_FALSE(doc.QuickSave());
    EXPECT_FALSE(doc.SaveDocument(path));
    EXPECT_EQ(messenger.Messages().back(), ErrorBox("Access to " + path.string() + " was denied."));
    EXPECT_EQ(ReadFileBytes(path), original);

    // Save As writes a copy the document then holds, writable and locked;
    // the browsed file is free again.
    ASSERT_TRUE(doc.SaveDocument(dir / "copy.far"));
    EXPECT_FALSE(doc.IsReadOnly());
    EXPECT_EQ(doc.GetTitle(), "copy.far");
    EXPECT_EQ(ReadFileBytes(dir / "copy.far"), original);
    EXPECT_TRUE(tree.RemoveFile("readme.txt"));
    EXPECT_TRUE(doc.QuickSave());
    EXPECT_EQ(EntryNamesOnDisk(dir / "copy.far").size(), 2u);
    EXPECT_FALSE(reader.OpenDocument(dir / "copy.far", OpenAccess::ReadOnlyShared));
    EXPECT_TRUE(writer.OpenDocument(path));
}

// What the editor cannot open for writing it can still browse. Root ignores
// permission bits, so there the file is made immutable where the file system
// allows it.
TEST_F(DocTest, AWriteProtectedArchiveOpensOnlyForBrowsing)
{
    const std::filesystem::path path = dir / "ro.far";
    WriteFileBytes(path, MakeFarImage(kFiles));
    ::chmod(path.c_str(), 0444);
    const bool immutable = ::geteuid() == 0 && SetImmutable(path, true);
    if (::geteuid() == 0 && !immutable)
        GTEST_SKIP() << "running as root on a file system without immutable files";
    EXPECT_FALSE(doc.OpenDocument(path));
    EXPECT_EQ(messenger.Messages().back(), ErrorBox("Access to " + path.string() + " was denied."));
    EXPECT_TRUE(doc.OpenDocument(path, OpenAccess::ReadOnlyShared));
    EXPECT_EQ(doc.Tree().EntryCount(), 3u);
    EXPECT_EQ(messenger.Count(), 1u);
    doc.NewDocument();
    if (immutable)
        SetImmutable(path, false);
}

TEST_F(DocTest, AQuickSaveIntoAFileReplacedUnderItsNameIsRefused)
{
    ASSERT_TRUE(doc.OpenDocument(dir / "one.far"));
    ASSERT_TRUE(doc.Tree().RemoveFile("readme.txt"));
    doc.SetModified(true);
    // Another program renames its own file over the name while ours is open:
    // appending to the file we hold would write where no one reads.
    const std::vector<uint8_t> theirs = MakeFarImage({{"theirs.txt", "theirs"}});
    WriteFileBytes(dir / "theirs.far", theirs);
    std::filesystem::rename(dir / "theirs.far", dir / "one.far");
    EXPECT_FALSE(doc.CanQuickSave());
    EXPECT_FALSE(doc.QuickSave());
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(ReadFileBytes(dir / "one.far"), theirs);
    // A full save is the user's choice to replace it, and is not refused.
    EXPECT_TRUE(doc.SaveDocument(doc.GetPathName()));
    EXPECT_EQ(EntryNamesOnDisk(dir / "one.far").size(), 2u);
}

TEST_F(DocTest, ARelativePathKeepsNamingItsFileAfterTheWorkingFolderChanges)
{
    struct WorkingFolder {
        std::filesystem::path before = std::filesystem::current_path();
        ~WorkingFolder() { std::filesystem::current_path(before); }
    } restore;
    std::filesystem::current_path(dir.Path());
    ASSERT_TRUE(doc.OpenDocument("one.far"));
    std::filesystem::create_directory(dir / "elsewhere");
    std::filesystem::current_path(dir / "elsewhere");
    EXPECT_EQ(doc.GetPathName(), dir / "one.far");
    ASSERT_TRUE(doc.Tree().RemoveFile("readme.txt"));
    doc.SetModified(true);
    ASSERT_TRUE(doc.SaveDocument("../copy.far"));
    std::filesystem::current_path(restore.before);
    EXPECT_EQ(doc.GetPathName(), dir / "elsewhere" / ".." / "copy.far");
    EXPECT_EQ(EntryNamesOnDisk(dir / "copy.far").size(), 2u);
    EXPECT_EQ(EntryNamesOnDisk(dir / "one.far").size(), 3u);

    // A new document lets go of the file: another document may take it.
    ASSERT_TRUE(doc.NewDocument());
    EXPECT_EQ(doc.GetTitle(), "Untitled");
    EXPECT_EQ(doc.Tree().EntryCount(), 0u);
    CVornDoc other(messenger);
    EXPECT_TRUE(other.OpenDocument(dir / "copy.far"));
    EXPECT_EQ(messenger.Count(), 0u);
}

TEST_F(DocTest, FileErrorsLeaveTheDocumentUnchanged)
{
    ASSERT_TRUE(doc.OpenDocument(dir / "one.far"));
    EXPECT_FALSE(doc.OpenDocument(dir / "missing.far"));
    EXPECT_EQ(messenger.Messages().back(), ErrorBox((dir / "missing.far").string() + " was not found."));
    EXPECT_FALSE(doc.OpenDocument(dir.Path()));
    EXPECT_EQ(messenger.Messages().back(), ErrorBox(dir.Path().string() + " is a folder, not a file."));
    EXPECT_EQ(doc.GetTitle(), "one.far");
    EXPECT_EQ(doc.Tree().EntryCount(), 3u);
    EXPECT_TRUE(doc.Tree().CopyEntryData("readme.txt")); // the source is still attached

    // Read-only files fail because archives are opened for writing too.
    // Root ignores permission bits, so there the file is made immutable
    // instead where the file system allows it.
    const std::filesystem::path readOnly = dir / "ro.far";
    WriteFileBytes(readOnly, MakeFarImage(kFiles));
    ::chmod(readOnly.c_str(), 0444);
    const bool immutable = ::geteuid() == 0 && SetImmutable(readOnly, true);
    if (::geteuid() != 0 || immutable) {
        EXPECT_FALSE(doc.OpenDocument(readOnly));
        EXPECT_EQ(messenger.Messages().back(), ErrorBox("Access to " + readOnly.string() + " was denied."));
        EXPECT_EQ(doc.GetTitle(), "one.far");
    }
    if (immutable)
        SetImmutable(readOnly, false);
}

TEST_F(DocTest, UnreadableBytesFailTheSaveLoudly)
{
    // The second and third records (after 10 and 10 + 17 name bytes) point past the end.
    WriteFileBytes(dir / "bad.far", WithDamagedOffset(WithDamagedOffset(MakeFarImage(kFiles), 1, 10), 2, 27));
    const std::vector<uint8_t> before = ReadFileBytes(dir / "bad.far");
    ASSERT_TRUE(doc.OpenDocument(dir / "bad.far"));
    ASSERT_TRUE(doc.Tree().RemoveFile("readme.txt"));
    doc.SetModified(true);

    // The second line names the first file at fault, so the user can delete or replace it.
    const auto saveError = [](const std::string& name) {
        return ErrorBox("Error while saving the FAR file!\nThe file \"" + name +
                        "\" could not be read from the archive: delete or replace it.");
    };
    EXPECT_FALSE(doc.SaveDocument(dir / "bad.far"));
    EXPECT_EQ(messenger.Messages().back(), saveError("Objects\\Chair.iff"));
    EXPECT_EQ(ReadFileBytes(dir / "bad.far"), before);
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(doc.GetTitle(), "bad.far *");

    EXPECT_FALSE(doc.SaveDocument(dir / "elsewhere.far"));
    EXPECT_FALSE(std::filesystem::exists(dir / "elsewhere.far"));
    EXPECT_EQ(doc.GetPathName(), dir / "bad.far");
    // No temporary file is left behind.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 2);
    // The document still holds its file: quick save works on it.
    EXPECT_TRUE(doc.QuickSave());

    // Each file named and deleted in turn, the next one is named; then the save works.
    ASSERT_TRUE(doc.Tree().RemoveFile("objects\\chair.iff"));
    EXPECT_FALSE(doc.SaveDocument(dir / "bad.far"));
    EXPECT_EQ(messenger.Messages().back(), saveError("Objects\\Deep\\Lamp.iff"));
    ASSERT_TRUE(doc.Tree().RemoveFile("objects\\deep\\lamp.iff"));
    const size_t shown = messenger.Count();
    EXPECT_TRUE(doc.SaveDocument(dir / "bad.far"));
    EXPECT_EQ(messenger.Count(), shown);
    EXPECT_TRUE(EntryNamesOnDisk(dir / "bad.far").empty());
}

TEST_F(DocTest, ASaveThatCannotTakeTheTargetNameLeavesNoQuickSaveIntoTheOldFile)
{
    ASSERT_TRUE(doc.OpenDocument(dir / "one.far"));
    const std::vector<uint8_t> original = ReadFileBytes(dir / "one.far");
    // Removing the first file moves every other file's bytes in a full save.
    ASSERT_TRUE(doc.Tree().RemoveFile("readme.txt"));
    doc.SetModified(true);

    // The archive is written beside the target, but no file may have that name.
    const std::filesystem::path tooLong = dir / std::string(300, 'x');
    EXPECT_FALSE(doc.SaveDocument(tooLong));
    EXPECT_EQ(messenger.Messages().back(), ErrorBox(tooLong.string() + " contains an incorrect path."));
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(doc.GetPathName(), dir / "one.far");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1);

    // The entries now describe the file that was not kept; a quick save
    // would point the old file's manifest at the wrong bytes.
    EXPECT_FALSE(doc.CanQuickSave());
    EXPECT_FALSE(doc.QuickSave());
    EXPECT_EQ(ReadFileBytes(dir / "one.far"), original);
    const std::vector<uint8_t> bytes = *doc.Tree().CopyEntryData("objects\\chair.iff");
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "chair");

    ASSERT_TRUE(doc.SaveDocument(dir / "one.far"));
    EXPECT_EQ(ReadFileBytes(dir / "one.far"),
              MakeFarImage({{"Objects\\Chair.iff", "chair"}, {"Objects\\Deep\\Lamp.iff", "lamp!"}}));
    doc.SetModified(true);
    EXPECT_TRUE(doc.QuickSave());
}

TEST_F(DocTest, LoadFailureLeavesATreeOfTheEntriesRead)
{
    ASSERT_TRUE(doc.OpenDocument(dir / "one.far"));
    // Cut the manifest inside its last record.
    std::vector<uint8_t> image = MakeFarImage({{"kept\\a.txt", "A"}, {"lost\\b.txt", "B"}});
    image.resize(image.size() - 3);
    WriteFileBytes(dir / "cut.far", image);

    ASSERT_TRUE(doc.OpenDocument(dir / "cut.far"));
    EXPECT_EQ(messenger.Messages(), std::vector<Message>{ErrorBox("Error while loading the FAR file!")});
    EXPECT_EQ(doc.GetTitle(), "cut.far");
    EXPECT_FALSE(doc.IsModified());
    EXPECT_EQ(doc.Tree().EntryCount(), 1u);
    EXPECT_NE(doc.Tree().FindFileItem("kept\\a.txt"), nullptr);
    EXPECT_EQ(doc.Tree().FindFileItem("readme.txt"), nullptr); // nothing of the previous archive
    EXPECT_EQ(doc.Tree().GetDirectoryRef("objects"), nullptr);
    EXPECT_EQ(NamesOfRoot(), std::vector<std::string>{"kept"});

    // The previous file was let go.
    RecordingMessenger otherMessenger;
    CVornDoc other(otherMessenger);
    EXPECT_TRUE(other.OpenDocument(dir / "one.far"));
}

TEST_F(DocTest, AFileThatFailedToLoadIsNeverSavedOverUnasked)
{
    std::vector<uint8_t> cut = MakeFarImage({{"kept\\a.txt", "A"}, {"lost\\b.txt", "B"}});
    cut.resize(cut.size() - 3);
    WriteFileBytes(dir / "cut.far", cut);
    const std::string text = "not an archive at all\n";
    WriteFileBytes(dir / "notes.txt", std::vector<uint8_t>(text.begin(), text.end()));
    std::vector<std::string> offered;
    std::optional<std::filesystem::path> answer;
    doc.SetSavePathPrompt([&](const std::string& title) {
        offered.push_back(title);
        return answer;
    });

    for (const char* name : {"notes.txt", "cut.far"}) {
        SCOPED_TRACE(name);
        const std::vector<uint8_t> before = ReadFileBytes(dir / name);
        ASSERT_TRUE(doc.OpenDocument(dir / name));
        EXPECT_EQ(doc.GetLoadState(), LoadState::LoadFailed);
        EXPECT_EQ(doc.GetPathName(), dir / name); // still the file shown
        EXPECT_FALSE(doc.IsBoundToFile());
        EXPECT_FALSE(doc.DoFileSave()); // asked, and the question was cancelled
        doc.SetModified(true);
        EXPECT_FALSE(doc.CanQuickSave()); // not offered either
        EXPECT_FALSE(doc.QuickSave());
        EXPECT_TRUE(doc.IsModified());
        EXPECT_EQ(ReadFileBytes(dir / name), before);
    }
    EXPECT_EQ(offered, (std::vector<std::string>{"notes.txt", "cut.far"}));

    // A name given saves what was read, and the document belongs to that file.
    answer = dir / "rescued.far";
    ASSERT_TRUE(doc.DoFileSave());
    EXPECT_EQ(ReadFileBytes(dir / "rescued.far"), MakeFarImage({{"kept\\a.txt", "A"}}));
    EXPECT_EQ(ReadFileBytes(dir / "cut.far"), cut);
    EXPECT_TRUE(doc.IsBoundToFile());
    EXPECT_EQ(doc.GetLoadState(), LoadState::Complete);
    doc.SetModified(true);
    EXPECT_TRUE(doc.QuickSave());
    EXPECT_EQ(offered.size(), 2u + 1u);

    // A later good open binds again.
    ASSERT_TRUE(doc.OpenDocument(dir / "one.far"));
    EXPECT_TRUE(doc.IsBoundToFile());
}

TEST_F(DocTest, BuildFailureIsReported)
{
    WriteFileBytes(dir / "odd.far", MakeFarImage({{"fine.txt", "1"}, {"\\\\\\\\odd.txt", "2"}}));
    ASSERT_TRUE(doc.OpenDocument(dir / "odd.far"));
    EXPECT_EQ(messenger.Messages(), std::vector<Message>{ErrorBox("Error while building the directory structure!")});
    EXPECT_EQ(doc.GetTitle(), "odd.far");
    EXPECT_FALSE(doc.IsModified());
    EXPECT_EQ(doc.GetLoadState(), LoadState::BuildFailed);
    EXPECT_TRUE(doc.IsBoundToFile()); // every entry was read; a save keeps them all
}

TEST_F(DocTest, EmptyFileOpensAsAnEmptyArchiveWithoutSource)
{
    ASSERT_TRUE(doc.OpenDocument(dir / "one.far"));
    WriteFileBytes(dir / "empty.far", {});
    ASSERT_TRUE(doc.OpenDocument(dir / "empty.far"));
    EXPECT_EQ(messenger.Count(), 0u);
    EXPECT_EQ(doc.GetTitle(), "empty.far");
    EXPECT_EQ(doc.Tree().EntryCount(), 0u);
    EXPECT_FALSE(doc.Archive().HasSource());
    doc.SetModified(true);
    EXPECT_FALSE(doc.CanQuickSave());
    EXPECT_FALSE(doc.QuickSave()); // would otherwise write into one.far
    EXPECT_EQ(ReadFileBytes(dir / "one.far"), MakeFarImage(kFiles));

    // It is still held, and a save makes it a real archive.
    RecordingMessenger otherMessenger;
    CVornDoc other(otherMessenger);
    EXPECT_FALSE(other.OpenDocument(dir / "empty.far"));
    ASSERT_TRUE(doc.SaveDocument(dir / "empty.far"));
    EXPECT_EQ(ReadFileBytes(dir / "empty.far").size(), 20u);
}

TEST_F(DocTest, SaveModifiedAsksAndSaves)
{
    EXPECT_TRUE(doc.SaveModified()); // nothing to ask
    EXPECT_EQ(messenger.Count(), 0u);

    ASSERT_TRUE(doc.OpenDocument(dir / "one.far"));
    ASSERT_TRUE(doc.Tree().RemoveFile("readme.txt"));
    doc.SetModified(true);
    const Message question{"Save changes to " + (dir / "one.far").string() + "?", "Vorn", MessageIcon::Question,
                           MessageButtons::YesNoCancel};
    messenger.Script({MessageAnswer::Cancel, MessageAnswer::No, MessageAnswer::Yes});
    EXPECT_FALSE(doc.SaveModified());
    EXPECT_TRUE(doc.SaveModified());
    EXPECT_EQ(EntryNamesOnDisk(dir / "one.far").size(), 3u); // No saved nothing
    EXPECT_TRUE(doc.SaveModified());
    EXPECT_EQ(messenger.Messages(), std::vector<Message>(3, question));
    EXPECT_FALSE(doc.IsModified());
    EXPECT_EQ(EntryNamesOnDisk(dir / "one.far").size(), 2u);

    // Untitled: Yes asks for a path; without an answer nothing is saved.
    doc.NewDocument();
    doc.SetModified(true);
    messenger.Clear();
    EXPECT_FALSE(doc.SaveModified());
    EXPECT_EQ(messenger.Messages()[0].text, "Save changes to Untitled?");
    std::string offered;
    doc.SetSavePathPrompt([&](const std::string& title) -> std::optional<std::filesystem::path> {
        offered = title;
        return dir / "named.far";
    });
    EXPECT_TRUE(doc.SaveModified());
    EXPECT_EQ(offered, "Untitled");
    EXPECT_EQ(doc.GetTitle(), "named.far");
    EXPECT_EQ(ReadFileBytes(dir / "named.far").size(), 20u);
}

} // namespace
} // namespace vorn
