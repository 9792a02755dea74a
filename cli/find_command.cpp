#include "cli/cli_commands.h"
#include "iff/string_escapes.h"
#include "sprites/archive_find.h"

namespace vorn {

int RunFind(CliContext& context, const std::vector<std::string>& args, const std::vector<std::string>& options)
{
    ReadOnlyArchive archive;
    if (!archive.Open(args[0], context.messenger))
        return kExitFailure;
    const ArchiveFind find(args[1], HasFlag(options, "--strings"));
    const std::vector<ArchiveFindHit> hits = find.Run(archive.Tree());
    for (const ArchiveFindHit& hit : hits) {
        context.out << context.Shown(hit.path) << '\t' << hit.Where() << '\t' << context.Shown(EscapeControls(hit.text))
                    << '\n';
    }
    // As grep does: nothing found is a failure without a message.
    return hits.empty() ? kExitFailure : kExitSuccess;
}

} // namespace vorn
