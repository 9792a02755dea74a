#include "iff/string_table.h"

#include "base/endian.h"
#include "iff/type_codes.h"

#include <algorithm>
#include <iterator>

namespace vorn {

namespace {

constexpr uint16_t kPlainWord = 0xFFFF;
constexpr uint16_t kCommentedWord = 0xFFFE;
constexpr uint16_t kLanguagesWord = 0xFFFD;
constexpr uint16_t kLanguageSetsWord = 0xFFFC;

// Reads forward through a chunk's bytes; every read checks what is left.
class ByteCursor {
public:
    explicit ByteCursor(std::span<const uint8_t> data) : data_(data) {}

    size_t Left() const { return data_.size() - at_; }
    size_t Position() const { return at_; }

    bool Byte(uint8_t& value)
    {
        if (Left() < 1)
            return false;
        value = data_[at_++];
        return true;
    }
    bool Word(uint16_t& value, bool bigEndian = false)
    {
        if (Left() < 2)
            return false;
        value = bigEndian ? LoadBE16(&data_[at_]) : LoadLE16(&data_[at_]);
        at_ += 2;
        return true;
    }
    bool Bytes(size_t count, std::string& text)
    {
        if (Left() < count)
            return false;
        text.assign(reinterpret_cast<const char*>(&data_[at_]), count);
        at_ += count;
        return true;
    }
    // A string ended by a NUL, which is passed over.
    bool CString(std::string& text)
    {
        const auto begin = data_.begin() + static_cast<std::ptrdiff_t>(at_);
        const auto end = std::find(begin, data_.end(), uint8_t{0});
        if (end == data_.end())
            return false;
        const size_t count = static_cast<size_t>(end - begin);
        text.assign(reinterpret_cast<const char*>(&*begin), count);
        at_ += count + 1;
        return true;
    }
    // A length in groups of 7 bits, lowest first, the top bit set on all
    // but the last; more groups than the value needs would not write back
    // the same, so they are refused.
    StringTableProblem GroupedLength(size_t& length)
    {
        uint64_t value = 0;
        for (int group = 0; group < 5; ++group) {
            uint8_t byte = 0;
            if (!Byte(byte))
                return StringTableProblem::Truncated;
            value |= static_cast<uint64_t>(byte & 0x7F) << (7 * group);
            if ((byte & 0x80) == 0) {
                if (group > 0 && byte == 0)
                    return StringTableProblem::BadLength;
                if (value > UINT32_MAX)
                    return StringTableProblem::BadLength;
                length = static_cast<size_t>(value);
                return StringTableProblem::None;
            }
        }
        return StringTableProblem::BadLength;
    }
    std::span<const uint8_t> Rest() const { return data_.subspan(at_); }

private:
    std::span<const uint8_t> data_;
    size_t at_ = 0;
};

void AppendGroupedLength(std::vector<uint8_t>& out, size_t length)
{
    do {
        const uint8_t low = static_cast<uint8_t>(length & 0x7F);
        length >>= 7;
        out.push_back(length != 0 ? static_cast<uint8_t>(low | 0x80) : low);
    } while (length != 0);
}

void AppendText(std::vector<uint8_t>& out, const std::string& text) { out.insert(out.end(), text.begin(), text.end()); }

void AppendCString(std::vector<uint8_t>& out, const std::string& text)
{
    AppendText(out, text);
    out.push_back(0);
}

// Pascal strings after a count in the given byte order; true when all are there.
bool ReadPascal(std::span<const uint8_t> data, bool bigEndian, std::vector<StringTableEntry>& strings,
                size_t& end)
{
    ByteCursor cursor(data);
    uint16_t count = 0;
    if (!cursor.Word(count, bigEndian))
        return false;
    strings.clear();
    // Each string takes a byte at least: a count beyond what is left fails
    // before anything is reserved for it.
    if (count > cursor.Left())
        return false;
    strings.reserve(count);
    for (uint16_t i = 0; i < count; ++i) {
        uint8_t length = 0;
        StringTableEntry& entry = strings.emplace_back();
        if (!cursor.Byte(length) || !cursor.Bytes(length, entry.text))
            return false;
    }
    end = cursor.Position();
    return true;
}

} // namespace

bool StringTable::IsStringTableType(uint32_t type)
{
    return type == MakeTypeCode("STR#") || type == MakeTypeCode("CTSS") || type == MakeTypeCode("TTAs");
}

StringTableProblem StringTable::Parse(std::span<const uint8_t> data)
{
    strings_.clear();
    trailing_.clear();
    languageSets_ = 0;
    if (data.size() < 2)
        return StringTableProblem::Empty;
    const uint16_t word = LoadLE16(data.data());
    size_t end = 0;
    StringTableProblem problem = StringTableProblem::None;
    switch (word) {
    case kPlainWord:
    case kCommentedWord:
    case kLanguagesWord: {
        layout_ = word == kPlainWord       ? StringTableLayout::Plain
                  : word == kCommentedWord ? StringTableLayout::Commented
                                           : StringTableLayout::Languages;
        ByteCursor cursor(data.subspan(2));
        uint16_t count = 0;
        if (!cursor.Word(count) || count > cursor.Left()) {
            problem = StringTableProblem::Truncated;
            break;
        }
        strings_.reserve(count);
        for (uint16_t i = 0; i < count && problem == StringTableProblem::None; ++i) {
            StringTableEntry& entry = strings_.emplace_back();
            if ((layout_ == StringTableLayout::Languages && !cursor.Byte(entry.language)) ||
                !cursor.CString(entry.text) ||
                (layout_ != StringTableLayout::Plain && !cursor.CString(entry.comment)))
                problem = StringTableProblem::Truncated;
        }
        end = 2 + cursor.Position();
        break;
    }
    case kLanguageSetsWord: {
        layout_ = StringTableLayout::LanguageSets;
        ByteCursor cursor(data.subspan(2));
        if (!cursor.Byte(languageSets_)) {
            problem = StringTableProblem::Truncated;
            break;
        }
        for (uint8_t set = 0; set < languageSets_ && problem == StringTableProblem::None; ++set) {
            uint16_t count = 0;
            // Three bytes at least per string.
            if (!cursor.Word(count) || count > cursor.Left() / 3) {
                problem = StringTableProblem::Truncated;
                break;
            }
            for (uint16_t i = 0; i < count && problem == StringTableProblem::None; ++i) {
                StringTableEntry& entry = strings_.emplace_back();
                entry.languageSet = set;
                size_t length = 0;
                if (!cursor.Byte(entry.language)) {
                    problem = StringTableProblem::Truncated;
                    break;
                }
                for (std::string* text : {&entry.text, &entry.comment}) {
                    problem = cursor.GroupedLength(length);
                    if (problem != StringTableProblem::None)
                        break;
                    if (!cursor.Bytes(length, *text)) {
                        problem = StringTableProblem::Truncated;
                        break;
                    }
                }
            }
        }
        end = 2 + cursor.Position();
        break;
    }
    default:
        layout_ = StringTableLayout::Pascal;
        // The game's own files store the count high byte first; a count
        // that only fits the other way round is taken that way.
        pascalBigEndian_ = true;
        if (!ReadPascal(data, true, strings_, end)) {
            pascalBigEndian_ = false;
            if (!ReadPascal(data, false, strings_, end))
                problem = StringTableProblem::Truncated;
        }
        break;
    }
    if (problem != StringTableProblem::None) {
        strings_.clear();
        languageSets_ = 0;
        return problem;
    }
    trailing_.assign(data.begin() + static_cast<std::ptrdiff_t>(end), data.end());
    return StringTableProblem::None;
}

std::vector<uint8_t> StringTable::Serialise() const
{
    std::vector<uint8_t> out;
    const uint16_t count = static_cast<uint16_t>(std::min<size_t>(strings_.size(), UINT16_MAX));
    switch (layout_) {
    case StringTableLayout::Pascal:
        out.resize(2);
        if (pascalBigEndian_)
            StoreBE16(out.data(), count);
        else
            StoreLE16(out.data(), count);
        for (size_t i = 0; i < count; ++i) {
            const std::string& text = strings_[i].text;
            const size_t length = std::min<size_t>(text.size(), UINT8_MAX);
            out.push_back(static_cast<uint8_t>(length));
            out.insert(out.end(), text.begin(), text.begin() + static_cast<std::ptrdiff_t>(length));
        }
        break;
    case StringTableLayout::Plain:
    case StringTableLayout::Commented:
    case StringTableLayout::Languages:
        AppendLE16(out, layout_ == StringTableLayout::Plain       ? kPlainWord
                        : layout_ == StringTableLayout::Commented ? kCommentedWord
                                                                  : kLanguagesWord);
        AppendLE16(out, count);
        for (size_t i = 0; i < count; ++i) {
            const StringTableEntry& entry = strings_[i];
            if (layout_ == StringTableLayout::Languages)
                out.push_back(entry.language);
            AppendCString(out, entry.text);
            if (layout_ != StringTableLayout::Plain)
                AppendCString(out, entry.comment);
        }
        break;
    case StringTableLayout::LanguageSets: {
        AppendLE16(out, kLanguageSetsWord);
        out.push_back(languageSets_);
        for (unsigned set = 0; set < languageSets_; ++set) {
            const size_t countAt = out.size();
            AppendLE16(out, 0);
            uint16_t inSet = 0;
            for (const StringTableEntry& entry : strings_) {
                if (entry.languageSet != set || inSet == UINT16_MAX)
                    continue;
                ++inSet;
                out.push_back(entry.language);
                AppendGroupedLength(out, entry.text.size());
                AppendText(out, entry.text);
                AppendGroupedLength(out, entry.comment.size());
                AppendText(out, entry.comment);
            }
            StoreLE16(&out[countAt], inSet);
        }
        break;
    }
    }
    out.insert(out.end(), trailing_.begin(), trailing_.end());
    return out;
}

uint32_t StringTable::ShownLanguage(StringTableLayout layout, const StringTableEntry& entry)
{
    switch (layout) {
    case StringTableLayout::Languages: return entry.language;
    case StringTableLayout::LanguageSets: return entry.languageSet + 1u;
    default: return 0;
    }
}

const char* StringTable::LanguageName(uint32_t language)
{
    static constexpr const char* kNames[] = {
        "English (US)", "English (UK)", "French", "German", "Italian", "Spanish", "Dutch",
        "Danish", "Swedish", "Norwegian", "Finnish", "Hebrew", "Russian", "Portuguese",
        "Japanese", "Polish", "Chinese (Simplified)", "Chinese (Traditional)", "Thai", "Korean"};
    return language >= 1 && language <= std::size(kNames) ? kNames[language - 1] : nullptr;
}

const char* StringTable::LayoutName(StringTableLayout layout)
{
    switch (layout) {
    case StringTableLayout::Pascal: return "counted strings (no format word)";
    case StringTableLayout::Plain: return "0xFFFF (strings)";
    case StringTableLayout::Commented: return "0xFFFE (strings and comments)";
    case StringTableLayout::Languages: return "0xFFFD (language, string, comment)";
    case StringTableLayout::LanguageSets: return "0xFFFC (language sets)";
    }
    return "";
}

const char* StringTable::ProblemText(StringTableProblem problem)
{
    switch (problem) {
    case StringTableProblem::None: return "";
    case StringTableProblem::Empty: return "the chunk is too short to hold a string table";
    case StringTableProblem::Truncated: return "a count or a string runs past the end of the chunk";
    case StringTableProblem::BadLength: return "a string length is stored in more bytes than it needs";
    }
    return "";
}

} // namespace vorn

namespace vorn {

namespace {

constexpr size_t kMaxCountedLength = UINT8_MAX;
constexpr size_t kMaxRows = UINT16_MAX;
constexpr uint32_t kMaxLanguage = UINT8_MAX;

bool HasLanguages(StringTableLayout layout)
{
    return layout == StringTableLayout::Languages || layout == StringTableLayout::LanguageSets;
}

bool HasComments(StringTableLayout layout)
{
    return layout != StringTableLayout::Pascal && layout != StringTableLayout::Plain;
}

} // namespace

StringEdit StringTable::CheckText(const std::string& text) const
{
    if (layout_ == StringTableLayout::Pascal && text.size() > kMaxCountedLength)
        return StringEdit::TooLong;
    if (layout_ != StringTableLayout::Pascal && layout_ != StringTableLayout::LanguageSets &&
        text.find('\0') != std::string::npos)
        return StringEdit::HoldsNul;
    return StringEdit::Done;
}

StringEdit StringTable::CheckComment(const std::string& comment) const
{
    if (!HasComments(layout_))
        return comment.empty() ? StringEdit::Done : StringEdit::NoComments;
    if (layout_ != StringTableLayout::LanguageSets && comment.find('\0') != std::string::npos)
        return StringEdit::HoldsNul;
    return StringEdit::Done;
}

StringEdit StringTable::CheckLanguage(uint32_t language) const
{
    if (!HasLanguages(layout_))
        return language == 0 ? StringEdit::Done : StringEdit::NoLanguages;
    if (language > kMaxLanguage || (layout_ == StringTableLayout::LanguageSets && language == 0))
        return StringEdit::BadLanguage;
    return StringEdit::Done;
}

void StringTable::ApplyLanguage(StringTableEntry& entry, uint32_t language)
{
    if (layout_ == StringTableLayout::Languages) {
        entry.language = static_cast<uint8_t>(language);
    } else if (layout_ == StringTableLayout::LanguageSets) {
        entry.languageSet = static_cast<uint8_t>(language - 1);
        languageSets_ = std::max(languageSets_, static_cast<uint8_t>(language));
    }
}

void StringTable::GroupBySet()
{
    if (layout_ == StringTableLayout::LanguageSets)
        std::stable_sort(strings_.begin(), strings_.end(), [](const StringTableEntry& a, const StringTableEntry& b) {
            return a.languageSet < b.languageSet;
        });
}

template <typename Edit>
StringEdit StringTable::KeepIfReadsBack(Edit edit)
{
    if (layout_ != StringTableLayout::Pascal)
        return edit();
    std::vector<StringTableEntry> before = strings_;
    const StringEdit result = edit();
    if (result != StringEdit::Done)
        return result;
    const std::vector<uint8_t> bytes = Serialise();
    StringTable reread;
    if (reread.Parse(bytes) != StringTableProblem::None || reread.layout_ != layout_ || reread.strings_ != strings_ ||
        reread.Serialise() != bytes) {
        strings_ = std::move(before);
        return StringEdit::Misreads;
    }
    return result;
}

StringEdit StringTable::SetText(size_t row, std::string text)
{
    return KeepIfReadsBack([&] {
        if (row >= strings_.size())
            return StringEdit::NoSuchRow;
        const StringEdit check = CheckText(text);
        if (check == StringEdit::Done)
            strings_[row].text = std::move(text);
        return check;
    });
}

StringEdit StringTable::SetComment(size_t row, std::string comment)
{
    if (row >= strings_.size())
        return StringEdit::NoSuchRow;
    const StringEdit check = CheckComment(comment);
    if (check == StringEdit::Done)
        strings_[row].comment = std::move(comment);
    return check;
}

StringEdit StringTable::SetLanguage(size_t row, uint32_t language)
{
    if (row >= strings_.size())
        return StringEdit::NoSuchRow;
    const StringEdit check = CheckLanguage(language);
    if (check != StringEdit::Done || ShownLanguage(layout_, strings_[row]) == language)
        return check;
    StringTableEntry entry = strings_[row];
    ApplyLanguage(entry, language);
    if (layout_ == StringTableLayout::LanguageSets) {
        // Written set by set, so the row reads back at the end of its new set.
        strings_.erase(strings_.begin() + static_cast<std::ptrdiff_t>(row));
        const auto end = std::find_if(strings_.begin(), strings_.end(), [&](const StringTableEntry& other) {
            return other.languageSet > entry.languageSet;
        });
        strings_.insert(end, std::move(entry));
    } else {
        strings_[row] = std::move(entry);
    }
    return StringEdit::Done;
}

StringEdit StringTable::InsertRow(size_t row, std::string text, std::string comment, uint32_t language)
{
    return KeepIfReadsBack([&] {
        if (row > strings_.size())
            return StringEdit::NoSuchRow;
        if (strings_.size() >= kMaxRows)
            return StringEdit::TooManyStrings;
        for (const StringEdit check : {CheckText(text), CheckComment(comment), CheckLanguage(language)})
            if (check != StringEdit::Done)
                return check;
        StringTableEntry entry;
        entry.text = std::move(text);
        entry.comment = std::move(comment);
        ApplyLanguage(entry, language);
        if (layout_ == StringTableLayout::LanguageSets) {
            const auto inSet = std::count_if(strings_.begin(), strings_.end(), [&](const StringTableEntry& other) {
                return other.languageSet == entry.languageSet;
            });
            if (static_cast<size_t>(inSet) >= kMaxRows)
                return StringEdit::TooManyStrings;
        }
        strings_.insert(strings_.begin() + static_cast<std::ptrdiff_t>(row), std::move(entry));
        GroupBySet();
        return StringEdit::Done;
    });
}

StringEdit StringTable::RemoveRow(size_t row)
{
    return KeepIfReadsBack([&] {
        if (row >= strings_.size())
            return StringEdit::NoSuchRow;
        strings_.erase(strings_.begin() + static_cast<std::ptrdiff_t>(row));
        return StringEdit::Done;
    });
}

StringEdit StringTable::MoveRow(size_t from, size_t to)
{
    return KeepIfReadsBack([&] {
        if (from >= strings_.size() || to >= strings_.size())
            return StringEdit::NoSuchRow;
        if (layout_ == StringTableLayout::LanguageSets && strings_[from].languageSet != strings_[to].languageSet)
            return StringEdit::AcrossSets;
        StringTableEntry entry = std::move(strings_[from]);
        strings_.erase(strings_.begin() + static_cast<std::ptrdiff_t>(from));
        strings_.insert(strings_.begin() + static_cast<std::ptrdiff_t>(to), std::move(entry));
        return StringEdit::Done;
    });
}

std::string StringTable::EditText(StringEdit result) const
{
    const std::string layout = LayoutName(layout_);
    switch (result) {
    case StringEdit::Done: return "";
    case StringEdit::NoSuchRow: return "The table has no such string.";
    case StringEdit::NoComments: return "A table of the layout " + layout + " has no place for a comment.";
    case StringEdit::NoLanguages: return "A table of the layout " + layout + " has no place for a language.";
    case StringEdit::BadLanguage:
        return layout_ == StringTableLayout::LanguageSets ? "A language set is a number from 1 to 255."
                                                          : "A language is a number from 0 to 255.";
    case StringEdit::TooLong: return "A string of the layout " + layout + " holds at most 255 bytes.";
    case StringEdit::HoldsNul: return "A string of the layout " + layout + " cannot hold a NUL character.";
    case StringEdit::TooManyStrings: return "The table already holds the most strings it can count, 65535.";
    case StringEdit::AcrossSets: return "A string moves only within its language set; change its language instead.";
    case StringEdit::Misreads:
        return "The table's count has no format word before it, and after this change it would read back as a different "
               "table; the change is not made.";
    }
    return "";
}

} // namespace vorn
