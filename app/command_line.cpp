#include "app/command_line.h"

namespace vorn {

CommandLine CommandLine::Parse(const QStringList& arguments)
{
    CommandLine line;
    auto fail = [&line](const QString& error) {
        line.kind = Kind::Error;
        line.error = error;
        return line;
    };
    bool optionsEnded = false;
    for (const QString& argument : arguments) {
        if (!optionsEnded && argument == QLatin1String("--")) {
            optionsEnded = true;
        } else if (!optionsEnded && argument == QLatin1String("--read-only")) {
            line.readOnly = true;
        } else if (!optionsEnded && (argument == QLatin1String("--help") || argument == QLatin1String("-h"))) {
            line.kind = Kind::Help;
            return line;
        } else if (!optionsEnded && argument.size() > 1 && argument.startsWith(QLatin1Char('-'))) {
            return fail(QStringLiteral("unknown option %1").arg(argument));
        } else if (!line.archive.isEmpty()) {
            return fail(QStringLiteral("one archive at a time (%1 is a second)").arg(argument));
        } else {
            line.archive = argument;
        }
    }
    if (line.readOnly && line.archive.isEmpty())
        return fail(QStringLiteral("--read-only needs an ARCHIVE"));
    return line;
}

} // namespace vorn
