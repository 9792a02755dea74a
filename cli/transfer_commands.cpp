#include "cli/cli_commands.h"

namespace vorn {

int RunExtract(CliContext& context, const std::vector<std::string>&)
{
    context.Error("extract is not available yet");
    return kExitFailure;
}

int RunAdd(CliContext& context, const std::vector<std::string>&, const std::string&)
{
    context.Error("add is not available yet");
    return kExitFailure;
}

} // namespace vorn
