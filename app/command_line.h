#pragma once

#include <QString>
#include <QStringList>

namespace vorn {

// What the editor's command line asks for, once Qt has taken its own
// options (-platform, -style, ...): `[--read-only] [ARCHIVE]`, or --help.
struct CommandLine {
    enum class Kind { Run, Help, Error };

    static constexpr const char* kUsage = "Usage: vorn [--read-only] [ARCHIVE]\n";
    static constexpr const char* kHelp =
        "Usage: vorn [--read-only] [ARCHIVE]\n"
        "Opens ARCHIVE, a FAR archive of The Sims, in the editor; without it, a new\n"
        "empty archive.\n"
        "\n"
        "Options:\n"
        "  --read-only  browse ARCHIVE without changing it: it is opened for reading\n"
        "               only (also in a write-protected folder), other read-only\n"
        "               opens share it, programs that want to write it are refused\n"
        "               while it is open, and Save As writes a copy to change\n"
        "  -h, --help   show this help\n"
        "\n"
        "Qt's own options (-platform NAME, -style NAME, ...) are understood too.\n";

    // Parses the arguments after the program's name. An unknown option, a
    // second archive, or --read-only without an archive is an Error.
    static CommandLine Parse(const QStringList& arguments);

    Kind kind = Kind::Run;
    QString archive;  // empty: a new archive
    bool readOnly = false;
    QString error;  // with Kind::Error: what is wrong, for "vorn: <error>"
};

} // namespace vorn
