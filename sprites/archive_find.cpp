#include "sprites/archive_find.h"

#include "archive/archive_pattern.h"
#include "archive/far_directory_tree.h"
#include "base/name_compare.h"
#include "iff/iff_chunk.h"
#include "iff/string_table.h"
#include "iff/type_codes.h"
#include "sprites/iff_edit_service.h"

#include <algorithm>
#include <optional>

namespace vorn {

std::string ArchiveFindHit::Where() const
{
    if (!inString)
        return "name";
    return TypeCodeText(chunkType) + " " + std::to_string(chunkId) + " #" + std::to_string(stringIndex);
}

ArchiveFind::ArchiveFind(std::string_view pattern, bool searchStrings)
    : pattern_(pattern), textPattern_(pattern), searchStrings_(searchStrings)
{
    std::replace(pattern_.begin(), pattern_.end(), '/', '\\');
    wholePath_ = pattern_.find('\\') != std::string::npos;
    wildcards_ = ArchivePattern::IsPattern(pattern_);
    textWildcards_ = ArchivePattern::IsPattern(textPattern_);
}

bool ArchiveFind::NameMatches(std::string_view path, std::string_view name) const
{
    if (wholePath_)
        return ArchivePattern(pattern_).Matches(path);
    return wildcards_ ? ArchivePattern::NameMatches(pattern_, name) : ContainsNoCase(name, pattern_);
}

bool ArchiveFind::TextMatches(std::string_view text) const
{
    return textWildcards_ ? ArchivePattern::NameMatches(textPattern_, text) : ContainsNoCase(text, textPattern_);
}

void ArchiveFind::FindStrings(std::string_view path, const std::vector<uint8_t>& bytes,
                              std::vector<ArchiveFindHit>& hits) const
{
    IffEditService service;
    if (service.Open(bytes) != IffOpenResult::Opened)
        return;
    for (const std::unique_ptr<CIffChunk>& chunk : service.Chunks()) {
        if (!StringTable::IsStringTableType(chunk->Type()))
            continue;
        const std::optional<std::span<const uint8_t>> data = service.Data(*chunk);
        StringTable table;
        if (!data || table.Parse(*data) != StringTableProblem::None)
            continue;
        const std::vector<StringTableEntry>& strings = table.Strings();
        for (size_t i = 0; i < strings.size(); ++i) {
            if (TextMatches(strings[i].text))
                hits.push_back({std::string(path), true, chunk->Type(), chunk->Id(), i, strings[i].text});
        }
    }
}

std::vector<ArchiveFindHit> ArchiveFind::Run(CFarDirectoryTree& tree) const
{
    std::vector<ArchiveFindHit> hits;
    std::vector<const CFarDirectory*> pending{&tree.Root()};
    while (!pending.empty()) {
        const CFarDirectory& directory = *pending.back();
        pending.pop_back();
        for (const FarFileItem& item : directory.Files()) {
            const std::string path = directory.Path().empty() ? item.name : directory.Path() + "\\" + item.name;
            if (NameMatches(path, item.name))
                hits.push_back({path, false, 0, 0, 0, item.name});
            if (!searchStrings_)
                continue;
            if (const std::optional<std::vector<uint8_t>> bytes = tree.CopyEntryData(path))
                FindStrings(path, *bytes, hits);
        }
        // Subdirectories in order: pushed last to first.
        const std::vector<CFarDirectory>& subdirectories = directory.Subdirectories();
        for (auto it = subdirectories.rbegin(); it != subdirectories.rend(); ++it)
            pending.push_back(&*it);
    }
    return hits;
}

} // namespace vorn
