#include "base/endian.h"
#include "iff/object_fields.h"
#include "iff/string_table.h"
#include "testing/iff_fixtures.h"

#include <gtest/gtest.h>

#include <functional>
#include <random>

namespace vorn {
namespace {

using testing::BuildStringTable;
using testing::StrDesc;
using testing::StrLayout;

const std::string kLong(300, 'x'); // its length takes two groups of 7 bits

struct LayoutCase {
    StrLayout written;
    StringTableLayout read;
    std::vector<StrDesc> strings;
    uint8_t sets;
    std::vector<uint8_t> padding;
};

std::vector<LayoutCase> EveryLayout()
{
    const std::string latin1 = "Caf\xE9 \xA3" "5";
    return {
        {StrLayout::Pascal, StringTableLayout::Pascal, {{"Couldn't turn the stove on.", ""}, {"", ""}, {latin1, ""}}, 1, {}},
        {StrLayout::Plain, StringTableLayout::Plain, {{"one", ""}, {"", ""}, {latin1, ""}}, 1, {}},
        {StrLayout::Commented, StringTableLayout::Commented, {{"Sit", "a comment"}, {"", ""}, {latin1, "x"}}, 1, {}},
        {StrLayout::Languages,
         StringTableLayout::Languages,
         {{"Turn On", "Lamp: Floor", 1}, {"Allumer", "", 3}, {latin1, "", 20}},
         1,
         {0xA3, 0xA3, 0xA3}},
        {StrLayout::LanguageSets,
         StringTableLayout::LanguageSets,
         {{"Go Here", "", 0, 0}, {kLong, "c", 0, 0}, {"Aller", "", 2, 2}, {latin1, kLong, 255, 2}},
         20,
         {}},
        {StrLayout::LanguageSets, StringTableLayout::LanguageSets, {}, 0, {}},
    };
}

TEST(StringTable, EveryLayoutReadsItsStringsAndWritesBackTheSameBytes)
{
    for (const LayoutCase& c : EveryLayout()) {
        SCOPED_TRACE(static_cast<int>(c.written));
        const std::vector<uint8_t> data = BuildStringTable(c.written, c.strings, c.sets, c.padding);
        StringTable table;
        ASSERT_EQ(table.Parse(data), StringTableProblem::None);
        EXPECT_EQ(table.Layout(), c.read);
        ASSERT_EQ(table.Strings().size(), c.strings.size());
        for (size_t i = 0; i < c.strings.size(); ++i) {
            const StringTableEntry& entry = table.Strings()[i];
            EXPECT_EQ(entry.text, c.strings[i].text);
            EXPECT_EQ(entry.comment, c.strings[i].comment);
            if (c.read == StringTableLayout::Languages) {
                EXPECT_EQ(StringTable::ShownLanguage(c.read, entry), c.strings[i].language);
            }
            if (c.read == StringTableLayout::LanguageSets) {
                EXPECT_EQ(entry.language, c.strings[i].language);
                EXPECT_EQ(StringTable::ShownLanguage(c.read, entry), c.strings[i].set + 1u);
            }
        }
        EXPECT_EQ(table.Trailing(), c.padding);
        EXPECT_EQ(table.Serialise(), data);
    }
}

TEST(StringTable, EditedStringsAreWrittenInTheirLayout)
{
    StringTable table;
    ASSERT_EQ(table.Parse(BuildStringTable(StrLayout::LanguageSets, {{"a", "", 0, 0}, {"b", "", 1, 1}}, 2)),
              StringTableProblem::None);
    table.Strings()[1].text = kLong;
    EXPECT_EQ(table.Serialise(), BuildStringTable(StrLayout::LanguageSets, {{"a", "", 0, 0}, {kLong, "", 1, 1}}, 2));
}

TEST(StringTable, ACountThatOnlyFitsLowByteFirstIsReadThatWay)
{
    std::vector<uint8_t> data = {0x02, 0x00, 1, 'a', 2, 'b', 'c'};
    StringTable table;
    ASSERT_EQ(table.Parse(data), StringTableProblem::None);
    ASSERT_EQ(table.Strings().size(), 2u);
    EXPECT_EQ(table.Strings()[1].text, "bc");
    EXPECT_EQ(table.Serialise(), data);
}

// A low-byte-first count of 255 reads high byte first as 65280 and fails;
// one more string makes it 256, which reads high byte first as a single
// string: that edit would change what the table holds, so it is refused.
TEST(StringTable, AnEditThatWouldReadBackInTheOtherByteOrderIsRefused)
{
    std::vector<uint8_t> data = {0xFF, 0x00};
    for (int i = 0; i < 255; ++i)
        data.insert(data.end(), {1, 'a'});
    StringTable table;
    ASSERT_EQ(table.Parse(data), StringTableProblem::None);
    ASSERT_EQ(table.Strings().size(), 255u);
    EXPECT_EQ(table.InsertRow(255, "b", {}, 0), StringEdit::Misreads);
    EXPECT_EQ(table.Strings().size(), 255u);
    EXPECT_EQ(table.Serialise(), data);
    // Removing a row keeps the count unambiguous and goes through.
    ASSERT_EQ(table.RemoveRow(0), StringEdit::Done);
    StringTable reread;
    ASSERT_EQ(reread.Parse(table.Serialise()), StringTableProblem::None);
    EXPECT_EQ(reread.Strings(), table.Strings());
}

TEST(StringTable, CutTablesFailButPaddingMayEndAnywhere)
{
    for (const LayoutCase& c : EveryLayout()) {
        SCOPED_TRACE(static_cast<int>(c.written));
        const std::vector<uint8_t> data = BuildStringTable(c.written, c.strings, c.sets, c.padding);
        const size_t stringsEnd = data.size() - c.padding.size();
        for (size_t length = 0; length < data.size(); ++length) {
            StringTable table;
            const std::span<const uint8_t> cut(data.data(), length);
            const StringTableProblem problem = table.Parse(cut);
            if (length < stringsEnd) {
                // A Pascal table of fewer strings may read as the other byte order: it must still write back.
                if (problem == StringTableProblem::None)
                    EXPECT_EQ(table.Serialise(), std::vector<uint8_t>(cut.begin(), cut.end())) << length;
                else
                    EXPECT_TRUE(table.Strings().empty());
            } else {
                ASSERT_EQ(problem, StringTableProblem::None) << length;
                EXPECT_EQ(table.Trailing().size(), length - stringsEnd);
            }
        }
    }
}

TEST(StringTable, OversizedCountsAndBadLengthsAreRefusedWithoutReading)
{
    StringTable table;
    EXPECT_EQ(table.Parse(std::vector<uint8_t>{}), StringTableProblem::Empty);
    EXPECT_EQ(table.Parse(std::vector<uint8_t>{0xFD}), StringTableProblem::Empty);
    EXPECT_EQ(table.Parse(std::vector<uint8_t>{0xFD, 0xFF, 0xFF, 0xFF, 1, 'a', 0, 0}), StringTableProblem::Truncated);
    EXPECT_EQ(table.Parse(std::vector<uint8_t>{0xFC, 0xFF, 200, 0xFF, 0xFF, 0, 0, 0}), StringTableProblem::Truncated);
    EXPECT_EQ(table.Parse(std::vector<uint8_t>{0xFF, 0xFF, 1, 0, 'n', 'o', 'n', 'u', 'l'}),
              StringTableProblem::Truncated);
    // A length stored in more groups than it needs would not write back the same.
    EXPECT_EQ(table.Parse(std::vector<uint8_t>{0xFC, 0xFF, 1, 1, 0, 0, 0x81, 0x00, 'a', 0}),
              StringTableProblem::BadLength);
    EXPECT_EQ(table.Parse(std::vector<uint8_t>{0xFC, 0xFF, 1, 1, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x01}),
              StringTableProblem::BadLength);
    EXPECT_TRUE(table.Strings().empty());
}

TEST(StringTable, RandomBytesEitherFailOrWriteBackExactly)
{
    std::mt19937 random(25);
    int parsed = 0;
    for (int round = 0; round < 4000; ++round) {
        std::vector<uint8_t> data(random() % 48);
        for (uint8_t& byte : data)
            byte = static_cast<uint8_t>(random() % 4 == 0 ? 0 : random());
        if (data.size() >= 2 && round % 2 == 0)
            StoreLE16(data.data(), static_cast<uint16_t>(0xFFFC + round / 2 % 4));
        StringTable table;
        if (table.Parse(data) == StringTableProblem::None) {
            ASSERT_EQ(table.Serialise(), data) << round;
            ++parsed;
        }
    }
    // Enough of them read as tables for the round trip to mean something.
    EXPECT_GT(parsed, 200);
}

TEST(ObjectFields, NamedWordsOfAVersion138Definition)
{
    std::vector<uint8_t> data(216);
    for (size_t i = 0; i < data.size() / 2; ++i)
        StoreLE16(&data[2 * i], static_cast<uint16_t>(1000 + i));
    StoreLE32(&data[0], 138);
    StoreLE16(&data[28], 0x78B3); // GUID, low word first
    StoreLE16(&data[30], 0x43C0);
    const std::vector<ObjectField> fields = ReadObjectFields(data);
    ASSERT_EQ(fields.size(), 106u); // 108 words, two fields of two
    EXPECT_EQ(fields[0].DisplayName(), "version");
    EXPECT_EQ(fields[0].value, 138u);
    EXPECT_EQ(fields[2].name, "base graphic");
    EXPECT_EQ(fields[2].value, 1003u);
    const ObjectField& guid = fields[13];
    EXPECT_EQ(guid.name, "guid");
    EXPECT_EQ(guid.index, 14u);
    EXPECT_EQ(guid.value, 0x43C078B3u);
    EXPECT_EQ(fields[15].name, "portal tree id");
    EXPECT_EQ(fields[16].name, "price");
    EXPECT_EQ(fields[16].value, 1018u);
    EXPECT_EQ(fields.back().DisplayName(), "field 107");
    EXPECT_EQ(ObjectFieldValue(data, "guid"), 0x43C078B3u);
    EXPECT_EQ(ObjectFieldValue(data, "sub index"), 1011u);

    // A chunk that ends inside the GUID: the words before it, nothing invented.
    data.resize(31);
    EXPECT_EQ(ReadObjectFields(data).size(), 13u);
    EXPECT_EQ(ObjectFieldValue(data, "guid"), std::nullopt);
    EXPECT_EQ(ObjectFieldValue(data, "master id"), 1010u);
    EXPECT_TRUE(ReadObjectFields(std::vector<uint8_t>{7}).empty());
}

// Every edit kind in every layout, checked against what the fixture writer
// makes of the expected strings: the table writes back in its own form and
// the padding after the last string stays.
TEST(StringTable, EditsWriteBackInEachLayoutsOwnForm)
{
    const std::vector<uint8_t> padding = {0xA3, 0xA3};
    struct Case {
        StrLayout layout;
        bool comments;
        uint32_t language; // as ShownLanguage gives it for the new row
    };
    for (const Case c : {Case{StrLayout::Pascal, false, 0}, Case{StrLayout::Plain, false, 0},
                         Case{StrLayout::Commented, true, 0}, Case{StrLayout::Languages, true, 3},
                         Case{StrLayout::LanguageSets, true, 2}}) {
        SCOPED_TRACE(static_cast<int>(c.layout));
        const bool sets = c.layout == StrLayout::LanguageSets;
        StringTable table;
        ASSERT_EQ(table.Parse(BuildStringTable(c.layout, {{"a", c.comments ? "ca" : "", 1, 0}, {"b", "", 1, 0}, {"c", "", 1, 0}},
                                               1, padding)),
                  StringTableProblem::None);
        EXPECT_EQ(table.SetText(0, std::string(255, 'x')), StringEdit::Done);
        EXPECT_EQ(table.SetText(1, ""), StringEdit::Done);
        if (c.comments) {
            EXPECT_EQ(table.SetComment(1, "note"), StringEdit::Done);
        }
        EXPECT_EQ(table.RemoveRow(2), StringEdit::Done);
        EXPECT_EQ(table.InsertRow(0, "new", c.comments ? "cn" : "", c.language), StringEdit::Done);
        EXPECT_EQ(table.MoveRow(sets ? 1 : 0, sets ? 0 : 2), StringEdit::Done);
        // A 0xFFFC row of the second set is written after the first set's rows.
        const std::vector<StrDesc> expected =
            sets ? std::vector<StrDesc>{{"", "note", 1, 0}, {std::string(255, 'x'), "ca", 1, 0}, {"new", "cn", 0, 1}}
                 : std::vector<StrDesc>{{std::string(255, 'x'), c.comments ? "ca" : "", 1, 0},
                                        {"", c.comments ? "note" : "", 1, 0},
                                        {"new", c.comments ? "cn" : "", static_cast<uint8_t>(c.language), 0}};
        EXPECT_EQ(table.Serialise(), BuildStringTable(c.layout, expected, sets ? 2 : 1, padding));
    }
}

TEST(StringTable, WhatALayoutCannotHoldIsRefusedAndChangesNothing)
{
    auto refused = [](StrLayout layout, StringEdit expected, const std::function<StringEdit(StringTable&)>& edit) {
        const std::vector<uint8_t> data = BuildStringTable(layout, {{"a", "", 1, 0}, {"b", "", 1, 0}}, 1);
        StringTable table;
        ASSERT_EQ(table.Parse(data), StringTableProblem::None);
        EXPECT_EQ(edit(table), expected) << static_cast<int>(layout);
        EXPECT_EQ(table.Serialise(), data) << static_cast<int>(layout);
        EXPECT_NE(table.EditText(expected), "");
    };
    refused(StrLayout::Pascal, StringEdit::TooLong, [](StringTable& t) { return t.SetText(0, std::string(256, 'x')); });
    refused(StrLayout::Plain, StringEdit::NoComments, [](StringTable& t) { return t.SetComment(0, "c"); });
    refused(StrLayout::Pascal, StringEdit::NoComments, [](StringTable& t) { return t.InsertRow(0, "x", "c", 0); });
    refused(StrLayout::Commented, StringEdit::NoLanguages, [](StringTable& t) { return t.SetLanguage(0, 2); });
    refused(StrLayout::Plain, StringEdit::HoldsNul, [](StringTable& t) { return t.SetText(0, std::string("a\0b", 3)); });
    refused(StrLayout::Languages, StringEdit::HoldsNul, [](StringTable& t) { return t.SetComment(0, std::string(1, '\0')); });
    refused(StrLayout::Languages, StringEdit::BadLanguage, [](StringTable& t) { return t.SetLanguage(0, 256); });
    refused(StrLayout::LanguageSets, StringEdit::BadLanguage, [](StringTable& t) { return t.SetLanguage(0, 0); });
    refused(StrLayout::Plain, StringEdit::NoSuchRow, [](StringTable& t) { return t.RemoveRow(2); });
    // 0xFFFC rows are written set by set: a move cannot take one into another set.
    const std::vector<uint8_t> twoSets = BuildStringTable(StrLayout::LanguageSets, {{"a", "", 0, 0}, {"b", "", 0, 1}}, 2);
    StringTable table;
    ASSERT_EQ(table.Parse(twoSets), StringTableProblem::None);
    EXPECT_EQ(table.MoveRow(1, 0), StringEdit::AcrossSets);
    EXPECT_EQ(table.Serialise(), twoSets);
    // NUL is only a problem for NUL-ended strings; a length-led string holds one.
    StringTable sets;
    ASSERT_EQ(sets.Parse(BuildStringTable(StrLayout::LanguageSets, {{"a", "", 0, 0}}, 1)), StringTableProblem::None);
    EXPECT_EQ(sets.SetText(0, std::string("a\0b", 3)), StringEdit::Done);
}

TEST(ObjectFields, ValuesAreCheckedAgainstEachFieldsKindAndAShortChunkGrows)
{
    struct Case {
        const char* field;
        const char* text;
        ObjectFieldParse result;
        uint32_t value;
    };
    for (const Case& c : {Case{"price", "65535", ObjectFieldParse::Done, 65535}, Case{"Price", "0x10", ObjectFieldParse::Done, 16},
                          Case{"price", "65536", ObjectFieldParse::OutOfRange, 0}, Case{"price", "-1", ObjectFieldParse::NotANumber, 0},
                          Case{"price", "12a", ObjectFieldParse::NotANumber, 0}, Case{"price", "", ObjectFieldParse::NotANumber, 0},
                          Case{"sub index", "-1", ObjectFieldParse::Done, 0xFFFF},
                          Case{"sub index", "-32768", ObjectFieldParse::Done, 0x8000},
                          Case{"sub index", "-32769", ObjectFieldParse::OutOfRange, 0},
                          Case{"sub index", "32768", ObjectFieldParse::OutOfRange, 0},
                          Case{"guid", "43c078B3", ObjectFieldParse::Done, 0x43C078B3},
                          Case{"guid", "0xFFFFFFFF", ObjectFieldParse::Done, 0xFFFFFFFF},
                          Case{"guid", "100000000", ObjectFieldParse::OutOfRange, 0},
                          Case{"guid", "12g", ObjectFieldParse::NotANumber, 0},
                          Case{"version", "4294967295", ObjectFieldParse::Done, 0xFFFFFFFF},
                          Case{"version", "4294967296", ObjectFieldParse::OutOfRange, 0},
                          Case{"field 23", "7", ObjectFieldParse::Done, 7}}) {
        SCOPED_TRACE(std::string(c.field) + " = " + c.text);
        const std::optional<ObjectFieldSpec> field = FindObjectField(c.field);
        ASSERT_TRUE(field.has_value());
        uint32_t value = 0;
        EXPECT_EQ(ParseObjectFieldValue(*field, c.text, value), c.result);
        if (c.result == ObjectFieldParse::Done) {
            EXPECT_EQ(value, c.value);
        }
    }
    // Unknown names, and words inside a named field or past the table.
    for (const char* name : {"prize", "field 15", "field 108", "field x", "field "})
        EXPECT_FALSE(FindObjectField(name).has_value()) << name;
    EXPECT_TRUE(FindObjectField("price")->sharedByTiles);
    EXPECT_FALSE(FindObjectField("guid")->sharedByTiles);

    std::vector<uint8_t> data(30, 0xEE); // ends inside the GUID
    const ObjectFieldSpec guid = *FindObjectField("guid");
    EXPECT_TRUE(StoreObjectField(data, guid, 0x11223344));
    EXPECT_EQ(data.size(), 32u);
    EXPECT_EQ(ObjectFieldValue(data, "guid"), 0x11223344u);
    EXPECT_EQ(data[27], 0xEE);
    EXPECT_FALSE(StoreObjectField(data, *FindObjectField("sub index"), 0xFFFF));
    EXPECT_EQ(ReadObjectFields(data)[10].Number(), -1);
}

} // namespace
} // namespace vorn
