#include "cli/cli_app.h"

#include <iostream>

int main(int argc, char** argv)
{
    std::ios::sync_with_stdio(false);
    std::vector<std::string> arguments(argv + 1, argv + argc);
    const int status = vorn::RunCli(arguments, std::cout, std::cerr);
    std::cout.flush();
    return status;
}
