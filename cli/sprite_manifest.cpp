#include "cli/sprite_manifest.h"

#include <cstdio>
#include <limits>
#include <set>
#include <sstream>
#include <utility>

namespace vorn {

namespace {

// A parsed JSON value. Numbers keep whether they were written as a whole
// number and whether it fits the range read here.
struct JsonValue {
    enum class Kind { Null, Bool, Number, String, Array, Object };
    Kind kind = Kind::Null;
    bool wholeNumber = false;
    bool numberInRange = true;
    int64_t number = 0;
    // String bytes: \u escapes up to 00FF become that byte; `wide` tells
    // that a higher one was seen (they are kept as UTF-8).
    std::string text;
    bool wide = false;
    std::vector<JsonValue> items;
    std::vector<std::pair<std::string, JsonValue>> members;
};

// Larger than any field read here, small enough to need no overflow care.
constexpr int64_t kNumberLimit = int64_t{1} << 40;
// This file nests four deep; anything far deeper is not ours.
constexpr int kMaxDepth = 32;

class JsonParser {
public:
    explicit JsonParser(std::string_view text) : text_(text) {}

    bool ParseDocument(JsonValue& value)
    {
        SkipSpace();
        if (!ParseValue(value, 0))
            return false;
        SkipSpace();
        if (pos_ != text_.size())
            return Fail("more text after the end of the document");
        return true;
    }

    // "line L, column C: what" for the first failure.
    std::string Problem() const
    {
        size_t line = 1, column = 1;
        for (size_t i = 0; i < failedAt_ && i < text_.size(); ++i) {
            if (text_[i] == '\n') {
                ++line;
                column = 1;
            } else {
                ++column;
            }
        }
        return "line " + std::to_string(line) + ", column " + std::to_string(column) + ": " + problem_;
    }

private:
    bool Fail(const std::string& what)
    {
        failedAt_ = pos_;
        problem_ = what;
        return false;
    }

    bool AtEnd() const { return pos_ >= text_.size(); }
    char Peek() const { return text_[pos_]; }

    void SkipSpace()
    {
        while (!AtEnd() && (Peek() == ' ' || Peek() == '\t' || Peek() == '\n' || Peek() == '\r'))
            ++pos_;
    }

    bool Literal(std::string_view word)
    {
        if (text_.substr(pos_, word.size()) != word)
            return Fail("unknown word");
        pos_ += word.size();
        return true;
    }

    bool ParseValue(JsonValue& value, int depth)
    {
        if (depth > kMaxDepth)
            return Fail("nested too deeply");
        if (AtEnd())
            return Fail("the text ends where a value should be");
        value = JsonValue{};
        switch (Peek()) {
        case '{': return ParseObject(value, depth);
        case '[': return ParseArray(value, depth);
        case '"':
            value.kind = JsonValue::Kind::String;
            return ParseString(value.text, value.wide);
        case 't': value.kind = JsonValue::Kind::Bool; return Literal("true");
        case 'f': value.kind = JsonValue::Kind::Bool; return Literal("false");
        case 'n': value.kind = JsonValue::Kind::Null; return Literal("null");
        default: return ParseNumber(value);
        }
    }

    bool ParseObject(JsonValue& value, int depth)
    {
        value.kind = JsonValue::Kind::Object;
        ++pos_;
        SkipSpace();
        if (!AtEnd() && Peek() == '}') {
            ++pos_;
            return true;
        }
        for (;;) {
            SkipSpace();
            if (AtEnd() || Peek() != '"')
                return Fail("expected a quoted field name");
            std::string name;
            bool wide = false;
            if (!ParseString(name, wide))
                return false;
            SkipSpace();
            if (AtEnd() || Peek() != ':')
                return Fail("expected ':' after the field name");
            ++pos_;
            SkipSpace();
            JsonValue member;
            if (!ParseValue(member, depth + 1))
                return false;
            value.members.emplace_back(std::move(name), std::move(member));
            SkipSpace();
            if (AtEnd())
                return Fail("the text ends inside an object");
            if (Peek() == '}') {
                ++pos_;
                return true;
            }
            if (Peek() != ',')
                return Fail("expected ',' or '}'");
            ++pos_;
        }
    }

    bool ParseArray(JsonValue& value, int depth)
    {
        value.kind = JsonValue::Kind::Array;
        ++pos_;
        SkipSpace();
        if (!AtEnd() && Peek() == ']') {
            ++pos_;
            return true;
        }
        for (;;) {
            SkipSpace();
            JsonValue item;
            if (!ParseValue(item, depth + 1))
                return false;
            value.items.push_back(std::move(item));
            SkipSpace();
            if (AtEnd())
                return Fail("the text ends inside a list");
            if (Peek() == ']') {
                ++pos_;
                return true;
            }
            if (Peek() != ',')
                return Fail("expected ',' or ']'");
            ++pos_;
        }
    }

    bool HexDigits(uint32_t& code)
    {
        code = 0;
        for (int i = 0; i < 4; ++i, ++pos_) {
            if (AtEnd())
                return Fail("the text ends inside a \\u escape");
            const char c = Peek();
            const int digit = c >= '0' && c <= '9'   ? c - '0'
                              : c >= 'a' && c <= 'f' ? c - 'a' + 10
                              : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                     : -1;
            if (digit < 0)
                return Fail("a \\u escape needs four hexadecimal digits");
            code = code * 16 + static_cast<uint32_t>(digit);
        }
        return true;
    }

    static void AppendUtf8(std::string& out, uint32_t code)
    {
        if (code < 0x800) {
            out += static_cast<char>(0xC0 | (code >> 6));
        } else if (code < 0x10000) {
            out += static_cast<char>(0xE0 | (code >> 12));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (code >> 18));
            out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        }
        out += static_cast<char>(0x80 | (code & 0x3F));
    }

    bool ParseString(std::string& out, bool& wide)
    {
        ++pos_; // the opening quote
        for (;;) {
            if (AtEnd())
                return Fail("the text ends inside a string");
            const auto c = static_cast<unsigned char>(Peek());
            if (c == '"') {
                ++pos_;
                return true;
            }
            if (c < 0x20)
                return Fail("a string holds a control character (write it as an escape)");
            if (c != '\\') {
                out += static_cast<char>(c);
                ++pos_;
                continue;
            }
            ++pos_;
            if (AtEnd())
                return Fail("the text ends inside an escape");
            const char e = Peek();
            ++pos_;
            switch (e) {
            case '"': out += '"'; break;
            case '\\': out += '\\'; break;
            case '/': out += '/'; break;
            case 'b': out += '\b'; break;
            case 'f': out += '\f'; break;
            case 'n': out += '\n'; break;
            case 'r': out += '\r'; break;
            case 't': out += '\t'; break;
            case 'u': {
                uint32_t code = 0;
                if (!HexDigits(code))
                    return false;
                if (code >= 0xD800 && code < 0xDC00) {
                    uint32_t low = 0;
                    if (text_.substr(pos_, 2) != "\\u")
                        return Fail("a surrogate escape without its second half");
                    pos_ += 2;
                    if (!HexDigits(low))
                        return false;
                    if (low < 0xDC00 || low >= 0xE000)
                        return Fail("a surrogate escape without its second half");
                    code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
                } else if (code >= 0xDC00 && code < 0xE000) {
                    return Fail("a surrogate escape without its first half");
                }
                if (code <= 0xFF) {
                    out += static_cast<char>(code);
                } else {
                    wide = true;
                    AppendUtf8(out, code);
                }
                break;
            }
            default: --pos_; return Fail("unknown escape");
            }
        }
    }

    bool Digits(int64_t* accumulate, bool& inRange)
    {
        if (AtEnd() || Peek() < '0' || Peek() > '9')
            return Fail("expected a digit");
        while (!AtEnd() && Peek() >= '0' && Peek() <= '9') {
            if (accumulate != nullptr) {
                *accumulate = *accumulate * 10 + (Peek() - '0');
                if (*accumulate > kNumberLimit) {
                    inRange = false;
                    *accumulate = kNumberLimit;
                }
            }
            ++pos_;
        }
        return true;
    }

    bool ParseNumber(JsonValue& value)
    {
        value.kind = JsonValue::Kind::Number;
        value.wholeNumber = true;
        const bool negative = Peek() == '-';
        if (negative)
            ++pos_;
        if (AtEnd() || Peek() < '0' || Peek() > '9')
            return Fail("unknown word");
        if (Peek() == '0') {
            ++pos_;
            if (!AtEnd() && Peek() >= '0' && Peek() <= '9')
                return Fail("a number may not start with 0");
        } else if (!Digits(&value.number, value.numberInRange)) {
            return false;
        }
        if (!AtEnd() && Peek() == '.') {
            ++pos_;
            value.wholeNumber = false;
            if (!Digits(nullptr, value.numberInRange))
                return false;
        }
        if (!AtEnd() && (Peek() == 'e' || Peek() == 'E')) {
            ++pos_;
            value.wholeNumber = false;
            if (!AtEnd() && (Peek() == '+' || Peek() == '-'))
                ++pos_;
            if (!Digits(nullptr, value.numberInRange))
                return false;
        }
        if (negative)
            value.number = -value.number;
        return true;
    }

    std::string_view text_;
    size_t pos_ = 0;
    size_t failedAt_ = 0;
    std::string problem_;
};

// Reads the known fields of one object, refusing unknown and repeated ones.
class FieldReader {
public:
    FieldReader(const JsonValue& object, std::string place) : object_(object), place_(std::move(place)) {}

    // Checks the object itself and that every field is one of `known`.
    bool Check(std::initializer_list<std::string_view> known)
    {
        if (object_.kind != JsonValue::Kind::Object)
            return Fail("must be an object { ... }");
        for (size_t i = 0; i < object_.members.size(); ++i) {
            const std::string& name = object_.members[i].first;
            bool isKnown = false;
            for (std::string_view k : known)
                isKnown = isKnown || name == k;
            if (!isKnown)
                return Fail("has an unknown field \"" + name + "\"");
            for (size_t j = 0; j < i; ++j)
                if (object_.members[j].first == name)
                    return Fail("has the field \"" + name + "\" twice");
        }
        return true;
    }

    const JsonValue* Get(std::string_view name) const
    {
        for (const auto& [key, value] : object_.members)
            if (key == name)
                return &value;
        return nullptr;
    }

    template <typename T>
    bool Number(std::string_view name, std::optional<T>& out, bool required = false)
    {
        const JsonValue* value = Get(name);
        if (value == nullptr) {
            if (required)
                return Fail("lacks the field \"" + std::string(name) + "\"");
            return true;
        }
        constexpr auto kMax = static_cast<int64_t>(std::numeric_limits<T>::max());
        if (value->kind != JsonValue::Kind::Number || !value->wholeNumber || !value->numberInRange ||
            value->number < 0 || value->number > kMax)
            return Fail("\"" + std::string(name) + "\" must be a whole number from 0 to " + std::to_string(kMax));
        out = static_cast<T>(value->number);
        return true;
    }

    // A picture name: a string, or null for none.
    bool Picture(std::string_view name, std::string& out)
    {
        const JsonValue* value = Get(name);
        if (value == nullptr || value->kind == JsonValue::Kind::Null)
            return true;
        if (value->kind != JsonValue::Kind::String)
            return Fail("\"" + std::string(name) + "\" must be a file name or null");
        out = value->text;
        return true;
    }

    bool Fail(const std::string& what)
    {
        problem_ = place_ + " " + what;
        return false;
    }

    const std::string& Problem() const { return problem_; }

private:
    const JsonValue& object_;
    std::string place_;
    std::string problem_;
};

ManifestReadResult BadShape(const std::string& problem) { return {ManifestReadStatus::BadShape, problem}; }

std::string JsonString(const std::string& text)
{
    std::string out = "\"";
    for (const unsigned char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20 || c >= 0x80) {
            // Labels are Latin-1 bytes: each becomes its own code point.
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", c);
            out += escape;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

template <typename T>
void WriteField(std::ostringstream& out, const char* name, const std::optional<T>& value)
{
    if (value)
        out << ", \"" << name << "\": " << static_cast<uint64_t>(*value);
}

} // namespace

std::string SpriteManifest::ToJson() const
{
    std::ostringstream json;
    json << "{\n  \"sprites\": [";
    const char* spriteSeparator = "\n";
    for (const ManifestSprite& sprite : sprites) {
        json << spriteSeparator << "    {\"chunk\": " << sprite.chunk;
        if (sprite.label)
            json << ", \"label\": " << JsonString(*sprite.label);
        WriteField(json, "flags", sprite.flags);
        WriteField(json, "paletteId", sprite.paletteId);
        json << ", \"frames\": [";
        spriteSeparator = ",\n";
        const char* frameSeparator = "\n";
        for (const ManifestFrame& frame : sprite.frames) {
            json << frameSeparator << "      {\"frame\": " << frame.frame;
            WriteField(json, "width", frame.width);
            WriteField(json, "height", frame.height);
            WriteField(json, "paletteId", frame.paletteId);
            WriteField(json, "flags", frame.flags);
            WriteField(json, "transparentIndex", frame.transparentIndex);
            WriteField(json, "xOffset", frame.xOffset);
            WriteField(json, "yOffset", frame.yOffset);
            json << ", \"png\": " << (frame.png.empty() ? "null" : JsonString(frame.png));
            if (!frame.depthPng.empty())
                json << ", \"depthPng\": " << JsonString(frame.depthPng);
            json << "}";
            frameSeparator = ",\n";
        }
        json << "\n    ]}";
    }
    json << "\n  ]\n}\n";
    return json.str();
}

ManifestReadResult SpriteManifest::Parse(std::string_view text, SpriteManifest& manifest)
{
    manifest = SpriteManifest{};
    JsonValue root;
    JsonParser parser(text);
    if (!parser.ParseDocument(root))
        return {ManifestReadStatus::Malformed, parser.Problem()};

    FieldReader top(root, "the file");
    if (!top.Check({"sprites"}))
        return BadShape(top.Problem());
    const JsonValue* list = top.Get("sprites");
    if (list == nullptr || list->kind != JsonValue::Kind::Array)
        return BadShape("the file needs \"sprites\": [ ... ]");
    std::vector<bool> listed(65536, false);
    for (size_t s = 0; s < list->items.size(); ++s) {
        FieldReader fields(list->items[s], "sprite " + std::to_string(s + 1) + " of the list");
        std::optional<uint16_t> chunk;
        if (!fields.Check({"chunk", "label", "flags", "paletteId", "frames"}) || !fields.Number("chunk", chunk, true))
            return BadShape(fields.Problem());
        if (listed[*chunk])
            return BadShape("SPR2 " + std::to_string(*chunk) + " is listed twice");
        listed[*chunk] = true;
        ManifestSprite sprite;
        sprite.chunk = *chunk;
        FieldReader named(list->items[s], "SPR2 " + std::to_string(*chunk));
        if (!named.Number("flags", sprite.flags) || !named.Number("paletteId", sprite.paletteId))
            return BadShape(named.Problem());
        if (const JsonValue* label = named.Get("label")) {
            if (label->kind != JsonValue::Kind::String)
                return BadShape("SPR2 " + std::to_string(*chunk) + " \"label\" must be a string");
            if (label->wide)
                return BadShape("SPR2 " + std::to_string(*chunk) +
                                " \"label\" holds a character above \\u00ff, which a label cannot store");
            sprite.label = label->text;
        }
        if (const JsonValue* frames = named.Get("frames")) {
            if (frames->kind != JsonValue::Kind::Array)
                return BadShape("SPR2 " + std::to_string(*chunk) + " \"frames\" must be a list [ ... ]");
            std::set<uint32_t> seen;
            for (size_t f = 0; f < frames->items.size(); ++f) {
                FieldReader frameFields(frames->items[f], "SPR2 " + std::to_string(*chunk) + ", frame entry " +
                                                              std::to_string(f + 1) + ",");
                std::optional<uint32_t> index;
                ManifestFrame frame;
                if (!frameFields.Check({"frame", "width", "height", "paletteId", "flags", "transparentIndex",
                                        "xOffset", "yOffset", "png", "depthPng"}) ||
                    !frameFields.Number("frame", index, true) || !frameFields.Number("width", frame.width) ||
                    !frameFields.Number("height", frame.height) || !frameFields.Number("paletteId", frame.paletteId) ||
                    !frameFields.Number("flags", frame.flags) ||
                    !frameFields.Number("transparentIndex", frame.transparentIndex) ||
                    !frameFields.Number("xOffset", frame.xOffset) || !frameFields.Number("yOffset", frame.yOffset) ||
                    !frameFields.Picture("png", frame.png) || !frameFields.Picture("depthPng", frame.depthPng))
                    return BadShape(frameFields.Problem());
                frame.frame = *index;
                if (!seen.insert(frame.frame).second)
                    return BadShape("SPR2 " + std::to_string(*chunk) + " lists frame " +
                                    std::to_string(frame.frame) + " twice");
                sprite.frames.push_back(std::move(frame));
            }
        }
        manifest.sprites.push_back(std::move(sprite));
    }
    return {};
}

const ManifestSprite* SpriteManifest::Find(uint16_t chunk) const
{
    for (const ManifestSprite& sprite : sprites)
        if (sprite.chunk == chunk)
            return &sprite;
    return nullptr;
}

} // namespace vorn
