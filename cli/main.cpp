#include "cli/cli_app.h"

#include <clocale>
#include <iostream>

int main(int argc, char** argv)
{
    // Archive names are printed in, and typed names read from, the locale's encoding.
    std::setlocale(LC_CTYPE, "");
    std::ios::sync_with_stdio(false);
    std::vector<std::string> arguments(argv + 1, argv + argc);
    const int status = vorn::RunCli(arguments, std::cout, std::cerr);
    std::cout.flush();
    return status;
}
