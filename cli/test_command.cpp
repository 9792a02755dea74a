#include "cli/cli_commands.h"

#include "audio/xa_decoder.h"
#include "base/endian.h"
#include "base/memory_stream.h"
#include "base/name_compare.h"
#include "sprites/iff_edit_service.h"

namespace vorn {

namespace {

// What is wrong with an entry's bytes for the kind its name gives; empty when
// nothing is. Entries of other kinds only have to be readable.
std::string ProblemWith(std::string_view name, std::span<const uint8_t> bytes)
{
    if (EndsWithNoCase(name, ".iff")) {
        constexpr const char* kNotIff = "not a valid IFF file";
        IffEditService service;
        if (service.Open(bytes) != IffOpenResult::Opened)
            return kNotIff;
        for (const auto& chunk : service.Chunks())
            if (!service.Data(*chunk))
                return kNotIff;
        return "";
    }
    if (EndsWithNoCase(name, ".xa")) {
        MemoryStream image(1024);
        CXaDecoder decoder;
        decoder.SetInput(bytes, &image);
        return bytes.size() <= UINT32_MAX && decoder.Decode() ? "" : "can't decompress the XA sound";
    }
    if (EndsWithNoCase(name, ".bmp")) {
        // "BM", the 14-byte file header and at least the smallest info
        // header, and pixels starting within the file.
        constexpr size_t kHeaders = 14 + 12;
        const bool whole = bytes.size() >= kHeaders && bytes[0] == 'B' && bytes[1] == 'M' &&
                           LoadLE32(bytes.data() + 10) <= bytes.size();
        return whole ? "" : "not a valid BMP file";
    }
    return "";
}

} // namespace

int RunTestArchive(CliContext& context, const std::vector<std::string>& args)
{
    ReadOnlyArchive archive;
    if (!archive.Open(args[0], context.messenger, TreeUse::CheckOnly))
        return kExitFailure;
    // Entries are read one at a time from the file, so none stays in memory.
    const std::unique_ptr<ByteStream> source = archive.Archive().DuplicateSource();
    std::vector<uint8_t> bytes;
    size_t tested = 0;
    size_t failed = 0;
    for (const CFarEntry& entry : archive.Archive().Entries()) {
        if (entry.isDeleted)
            continue;
        ++tested;
        const std::string problem =
            source && ReadStoredBytes(*source, entry, bytes) ? ProblemWith(entry.name, bytes) : "can't be read";
        context.out << "    testing: " << context.Shown(entry.name) << "   " << (problem.empty() ? "OK" : problem)
                    << '\n';
        if (!problem.empty())
            ++failed;
    }
    if (failed != 0) {
        context.Error(std::to_string(failed) + " of " + std::to_string(tested) + " entries failed the test!");
        return kExitFailure;
    }
    context.out << "No errors detected in " << args[0] << " (" << tested << (tested == 1 ? " entry" : " entries")
                << ").\n";
    return kExitSuccess;
}

} // namespace vorn
