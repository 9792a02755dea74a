#pragma once

#include "cli/cli_support.h"

#include <string>
#include <vector>

namespace vorn {

// The iff commands that change an object file and write it to OUTPUT (a
// file, "-", or ARCHIVE::PATH): nothing is written when any change is refused.

// iff set INPUT OUTPUT TYPE:ID NAME=VALUE...: OBJD fields by name, string rows
// as N=TEXT, N.comment=TEXT, N.lang=L.
int RunIffSet(CliContext& context, const std::vector<std::string>& args);
// iff put INPUT OUTPUT TYPE:ID FILE: the chunk's data from FILE (added when missing).
int RunIffPut(CliContext& context, const std::vector<std::string>& args);
// iff rm-chunk INPUT OUTPUT TYPE:ID...
int RunIffRemoveChunks(CliContext& context, const std::vector<std::string>& args);
// iff clone INPUT OUTPUT [--name TEXT] [--price N] [--description TEXT] [--guid HEX]
int RunIffClone(CliContext& context, const std::vector<std::string>& args, const std::vector<std::string>& options);

} // namespace vorn
