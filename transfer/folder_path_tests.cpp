#include "transfer/folder_path.h"

#include "transfer/disk_names.h"
#include "transfer/transfer_test_host.h"

#include <gtest/gtest.h>

#include <random>

namespace vorn {
namespace {

using namespace vorn::testing;
namespace fs = std::filesystem;

TEST(FolderPath, PosixRules)
{
    for (const char* good : {"/", "/tmp", "/a/b c/d.e", "/a/.hidden", "/x/..y"})
        EXPECT_TRUE(IsValidFolderPath(good)) << good;
    for (const char* bad : {"", "relative/path", "/a/", "//a", "/a//b", "/a/./b", "/a/..", "/..", "~/x"})
        EXPECT_FALSE(IsValidFolderPath(bad)) << bad;
    EXPECT_FALSE(IsValidFolderPath("/" + std::string(5000, 'a')));
}

TEST(FolderPath, ValidationMessagesAndCreation)
{
    TempDir temp;
    RecordingMessenger messenger;
    const std::string existing = temp.Path().string();
    EXPECT_EQ(ValidateFolderPath(existing, messenger), 0);
    EXPECT_EQ(messenger.Count(), 0u);

    EXPECT_EQ(ValidateFolderPath(existing + "/", messenger), 1);
    EXPECT_EQ(messenger.Messages().back(),
              (Message{"The folder:\n\n" + existing + "/\n\nis invalid. Please reenter.", "Vorn", MessageIcon::Warning,
                       MessageButtons::Ok}));

    const std::string nested = existing + "/one/two/three";
    messenger.Script({MessageAnswer::No});
    EXPECT_EQ(ValidateFolderPath(nested, messenger), -1);
    EXPECT_EQ(messenger.Messages().back().text,
              "The folder:\n\n" + nested + "\n\ndoes not exist. Do you want the folder to be created?");
    EXPECT_FALSE(fs::exists(temp / "one"));
    const size_t shown = messenger.Count();
    messenger.Script({MessageAnswer::Yes});
    EXPECT_EQ(ValidateFolderPath(nested, messenger), 0);
    EXPECT_EQ(messenger.Count(), shown + 1);
    EXPECT_TRUE(fs::is_directory(nested));

    // A file in the way: the folders before it stay, the message follows.
    WriteFileBytes(temp / "one/blocker", BytesOf("x"));
    const std::string blocked = existing + "/one/made/blocker/inner";
    WriteFileBytes(temp / "one/made", BytesOf("x"));
    messenger.Script({MessageAnswer::Yes});
    EXPECT_EQ(ValidateFolderPath(blocked, messenger), 2);
    EXPECT_EQ(messenger.Messages().back(),
              (Message{"The folder:\n\n" + blocked + "\n\ncan not be created. Please double check.", "Vorn",
                       MessageIcon::Warning, MessageButtons::Ok}));
    // A path naming a file is no folder either.
    messenger.Script({MessageAnswer::Yes});
    EXPECT_EQ(ValidateFolderPath(existing + "/one/blocker", messenger), 2);

    // Messages are shown as Latin-1: a UTF-8 path is converted, not shown byte by byte.
    EXPECT_EQ(ValidateFolderPath(existing + "/caf\xC3\xA9/\xE2\x82\xAC/", messenger), 1);
    EXPECT_EQ(messenger.Messages().back().text,
              "The folder:\n\n" + existing + "/caf\xE9/?/\n\nis invalid. Please reenter.");
}

TEST(FolderPath, InitialFolderIsTheArchiveFolderOrHome)
{
    EXPECT_EQ(InitialExtractFolder("/data/games/objects.far"), "/data/games/");
    EXPECT_EQ(InitialExtractFolder("/top.far"), "/");
    EXPECT_FALSE(InitialExtractFolder("").empty());
}

TEST(DiskNames, Latin1AndUtf8RoundTrip)
{
    std::string every;
    for (int byte = 1; byte < 256; ++byte)
        every.push_back(static_cast<char>(byte));
    EXPECT_EQ(Utf8ToLatin1(Latin1ToUtf8(every)), every);
    EXPECT_EQ(Latin1ToUtf8("caf\xE9"), "caf\xC3\xA9");
    EXPECT_FALSE(Utf8ToLatin1("\xE2\x82\xAC"));         // euro sign
    EXPECT_FALSE(Utf8ToLatin1("\xC3"));                 // cut short
    EXPECT_FALSE(Utf8ToLatin1("\xC0\xAF"));             // overlong "/"
    EXPECT_FALSE(Utf8ToLatin1("\xED\xA0\x80"));         // surrogate
    EXPECT_EQ(DiskNameForDisplay("\xE2\x82\xAC-\xC3\xA9-\xFF"), "?-\xE9-?");
    // Random bytes never crash the decoder and never decode to something that re-encodes differently.
    std::mt19937 random(3);
    for (int round = 0; round < 2000; ++round) {
        std::string bytes(random() % 12, '\0');
        for (char& c : bytes)
            c = static_cast<char>(random());
        if (const std::optional<std::string> latin = Utf8ToLatin1(bytes)) {
            EXPECT_EQ(Latin1ToUtf8(*latin), bytes);
        }
        EXPECT_LE(DiskNameForDisplay(bytes).size(), bytes.size());
    }
}

TEST(DiskNames, SafeRelativePaths)
{
    EXPECT_EQ(SafeDiskRelativePath("a\\b\\c.txt"), "a/b/c.txt");
    EXPECT_EQ(SafeDiskRelativePath("\\\\a\\\\b/"), "a/b");
    EXPECT_EQ(SafeDiskRelativePath("caf\xE9"), "caf\xC3\xA9");
    EXPECT_EQ(SafeDiskRelativePath("..."), "...");
    for (const std::string& bad : std::vector<std::string>{"..", "a\\..", "..\\a", "a/../b", ".", "\\", "", std::string("a\0b", 3)})
        EXPECT_FALSE(SafeDiskRelativePath(bad)) << bad;
    EXPECT_EQ(DiskBaseName("/x/y/"), "y");
    EXPECT_EQ(DiskBaseName("/"), "/");
    EXPECT_EQ(DiskBaseName("name"), "name");
}

} // namespace
} // namespace vorn
