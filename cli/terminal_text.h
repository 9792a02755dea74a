#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vorn {

// How archive names, which are Latin-1 bytes, meet the terminal: printed in
// the locale's encoding, and typed names and patterns turned back into
// archive bytes. UTF-8 locales, and the C/POSIX locale (whose ASCII cannot
// show the names at all, while the terminal behind it nearly always shows
// UTF-8), get UTF-8; any other locale (Latin-1 and its 8-bit kin) gets the
// bytes as stored.
class TerminalText {
public:
    enum class Encoding { Utf8, Bytes };

    explicit TerminalText(Encoding encoding = Encoding::Utf8) : encoding_(encoding) {}
    // The encoding of LC_CTYPE as set by setlocale(LC_CTYPE, "").
    static TerminalText FromLocale();
    static Encoding EncodingOfCodeset(std::string_view codeset);

    Encoding GetEncoding() const { return encoding_; }

    // An archive name as printed.
    std::string Shown(std::string_view archiveName) const;
    // A message text as printed. Messages carry archive names as Latin-1
    // and typed file names as the bytes typed: a text that is valid UTF-8
    // is taken as it is, any other as Latin-1.
    std::string Message(std::string_view text) const;
    // A typed archive name or pattern as archive bytes. Text that is not
    // valid UTF-8 is taken as raw bytes, as scripts may send them; none,
    // with `problem` naming the character, when a character has no Latin-1
    // byte.
    std::optional<std::string> ArchiveName(std::string_view typed, std::string& problem) const;

private:
    Encoding encoding_;
};

} // namespace vorn
