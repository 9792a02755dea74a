#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace vorn {

// Runs one command line of vorn-cli (the arguments after the program name).
// Data goes to `out`, messages and usage texts to `err` (help asked for goes
// to `out`). Returns the exit status: 0 success, 1 failure, 2 usage error.
int RunCli(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err);

} // namespace vorn
