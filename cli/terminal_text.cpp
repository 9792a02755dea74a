#include "cli/terminal_text.h"

#include "base/name_compare.h"
#include "transfer/disk_names.h"

#include <langinfo.h>

namespace vorn {

TerminalText TerminalText::FromLocale()
{
    return TerminalText(EncodingOfCodeset(::nl_langinfo(CODESET)));
}

TerminalText::Encoding TerminalText::EncodingOfCodeset(std::string_view codeset)
{
    // glibc names the C locale's codeset "ANSI_X3.4-1968", others "ASCII".
    for (const std::string_view utf8Like : {"UTF-8", "utf8", "ANSI_X3.4-1968", "ASCII", "US-ASCII"})
        if (EqualsNoCase(codeset, utf8Like))
            return Encoding::Utf8;
    return Encoding::Bytes;
}

std::string TerminalText::Shown(std::string_view archiveName) const
{
    return encoding_ == Encoding::Utf8 ? Latin1ToUtf8(archiveName) : std::string(archiveName);
}

std::string TerminalText::Message(std::string_view text) const
{
    return encoding_ == Encoding::Bytes || IsValidUtf8(text) ? std::string(text) : Latin1ToUtf8(text);
}

std::optional<std::string> TerminalText::ArchiveName(std::string_view typed, std::string& problem) const
{
    if (encoding_ == Encoding::Bytes || !IsValidUtf8(typed))
        return std::string(typed);
    if (std::optional<std::string> latin1 = Utf8ToLatin1(typed))
        return latin1;
    const Utf8Character character = FirstBeyondLatin1(typed).value_or(Utf8Character{});
    problem = "\"" + std::string(typed) + "\" holds \"" + character.text + "\" (" + character.CodeText() +
              "), a character archive names cannot hold: they are Latin-1!";
    return std::nullopt;
}

} // namespace vorn
