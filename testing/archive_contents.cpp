#include "testing/archive_contents.h"

#include "archive/far_archive.h"
#include "base/file_stream.h"

namespace vorn::testing {

std::optional<ArchiveContents> LoadArchiveContents(const std::filesystem::path& path)
{
    int error = 0;
    auto file = FileStream::Open(path, FileMode::Read, error);
    CFarArchive archive;
    if (!file || !archive.Load(*file) || !archive.LoadAllData())
        return std::nullopt;
    ArchiveContents contents;
    for (size_t i = 0; i < archive.Entries().size(); ++i) {
        const std::span<const uint8_t> bytes = archive.BytesOf(i);
        contents[archive.Entries()[i].name] = std::string(bytes.begin(), bytes.end());
    }
    return contents;
}

} // namespace vorn::testing
