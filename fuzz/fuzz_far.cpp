// FAR archives: the manifest, the directory tree over its names, every
// entry's bytes and a full save of what was read.
#include "archive/far_archive.h"
#include "archive/far_directory_tree.h"
#include "base/file_stream.h"
#include "base/memory_stream.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

using namespace vorn;

namespace {

// The archive keeps a duplicate of the handle it loaded from and reads the
// entries' bytes through it later, so the input has to be a real file.
std::unique_ptr<FileStream> InputFile(const uint8_t* data, size_t size)
{
    const int fd = memfd_create("fuzz-far", MFD_CLOEXEC);
    if (fd < 0)
        abort();
    for (size_t done = 0; done < size;) {
        const ssize_t wrote = write(fd, data + done, size - done);
        if (wrote <= 0)
            abort();
        done += static_cast<size_t>(wrote);
    }
    return std::make_unique<FileStream>(fd);
}

// With 2-byte name lengths and an empty first name, the first record's
// length reads the same as a 4-byte one, so such a manifest cannot show its
// width to a reader.
bool WidthIsAmbiguous(const CFarArchive& archive)
{
    if (!archive.narrowNameLengths())
        return false;
    for (const CFarEntry& entry : archive.Entries())
        if (!entry.isDeleted)
            return entry.name.empty();
    return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    auto file = InputFile(data, size);
    CFarArchive archive;
    archive.Load(*file);

    CFarDirectoryTree tree;
    tree.Build(archive);
    for (size_t i = 0; i < archive.Entries().size(); ++i) {
        if (!archive.LoadData(i))
            continue;
        const CFarEntry* entry = archive.Entry(i);
        if (tree.FindFileItem(entry->name) != nullptr)
            tree.CopyEntryData(entry->name);
    }
    MemoryStream saved;
    if (archive.Save(saved) && !WidthIsAmbiguous(archive)) {
        // What was just written must load again: a save never writes an
        // archive its own reader refuses.
        auto again = InputFile(saved.Bytes().data(), saved.Bytes().size());
        CFarArchive reloaded;
        if (!reloaded.Load(*again))
            abort();
    }
    return 0;
}
