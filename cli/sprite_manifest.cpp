#include "cli/sprite_manifest.h"

#include "transfer/disk_names.h"

#include <nlohmann/json.hpp>

#include <cstdio>
#include <limits>
#include <set>
#include <sstream>
#include <utility>

namespace vorn {

namespace {

using Json = nlohmann::json;

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

// The fields each object of the file may have, in the order export writes them.
constexpr std::string_view kTopFields[] = {"sprites"};
constexpr std::string_view kSpriteFields[] = {"chunk", "label", "flags", "paletteId", "frames"};
constexpr std::string_view kFrameFields[] = {"frame", "width", "height", "paletteId", "flags", "transparentIndex",
                                             "xOffset", "yOffset", "png", "depthPng"};

// One JSON value as the reader sees it: its kind and, for a number, whether it
// is a whole number from 0 up (negative ones and fractions are never wanted).
struct Value {
    enum class Kind { Null, Bool, Number, String, Object, Array };
    Kind kind = Kind::Null;
    bool wholeNumber = false;
    uint64_t number = 0;
    std::string* text = nullptr;
};

// "line L, column C" of byte `at`; columns count characters, not UTF-8 bytes.
std::string LineAndColumn(std::string_view text, size_t at)
{
    size_t line = 1, column = 1;
    for (size_t i = 0; i < at && i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c == '\n') {
            ++line;
            column = 1;
        } else if ((c & 0xC0) != 0x80) {
            ++column;
        }
    }
    return "line " + std::to_string(line) + ", column " + std::to_string(column);
}

// The library's message without its own prefix, place and echo of the input:
// "[json.exception.parse_error.101] parse error at line 1, column 5: syntax
// error while parsing value - invalid literal; last read: '...'" gives "syntax
// error while parsing value - invalid literal".
std::string LibraryProblem(const std::string& what)
{
    std::string text = what;
    if (const size_t tag = text.find("] "); text.starts_with("[json.exception.") && tag != std::string::npos)
        text.erase(0, tag + 2);
    if (text.starts_with("parse error")) {
        const size_t colon = text.find(": ");
        text.erase(0, colon == std::string::npos ? 0 : colon + 2);
    }
    const size_t echo = text.find("; last read: '");
    if (echo != std::string::npos) {
        const size_t expected = text.rfind("'; expected ");
        text = text.substr(0, echo) + (expected != std::string::npos && expected > echo ? text.substr(expected + 1) : "");
    }
    return text;
}

// A JSON string (UTF-8) as the Latin-1 bytes a chunk stores; on failure
// `problem` names the first character Latin-1 lacks.
bool ToLatin1(const std::string& utf8, std::string& latin1, std::string& problem)
{
    if (std::optional<std::string> bytes = Utf8ToLatin1(utf8)) {
        latin1 = std::move(*bytes);
        return true;
    }
    const Utf8Character character = FirstBeyondLatin1(utf8).value_or(Utf8Character{});
    problem = "holds \"" + character.text + "\" (" + character.CodeText() +
              "), a character above \\u00ff that Latin-1 cannot store";
    return false;
}

// Builds the manifest from the parser's events while they come, keeping only
// what the file may hold: the first field that is unknown, repeated, missing
// or of the wrong kind or range ends the building, so nothing the file does
// not need is ever stored. Parsing goes on to the end, because text that is
// not JSON at all is told first.
class ManifestBuilder {
public:
    explicit ManifestBuilder(std::string_view text, SpriteManifest& manifest) : text_(text), manifest_(manifest) {}

    ManifestReadResult Result() const
    {
        if (!syntax_.empty())
            return {ManifestReadStatus::Malformed, syntax_};
        if (!shape_.empty())
            return {ManifestReadStatus::BadShape, shape_};
        return {};
    }

    // The parser's events (nlohmann's SAX interface).
    bool null() { return OnValue({}); }
    bool boolean(bool) { return OnValue({Value::Kind::Bool}); }
    bool number_integer(Json::number_integer_t number)
    {
        Value value{Value::Kind::Number};
        value.wholeNumber = number >= 0;
        value.number = number >= 0 ? static_cast<uint64_t>(number) : 0;
        return OnValue(value);
    }
    bool number_unsigned(Json::number_unsigned_t number)
    {
        Value value{Value::Kind::Number};
        value.wholeNumber = true;
        value.number = number;
        return OnValue(value);
    }
    bool number_float(Json::number_float_t, const Json::string_t&) { return OnValue({Value::Kind::Number}); }
    bool string(Json::string_t& text)
    {
        Value value{Value::Kind::String};
        value.text = &text;
        return OnValue(value);
    }
    bool binary(Json::binary_t&) { return OnValue({Value::Kind::String}); }
    bool start_object(std::size_t) { return OnValue({Value::Kind::Object}); }
    bool start_array(std::size_t) { return OnValue({Value::Kind::Array}); }
    bool key(Json::string_t& name)
    {
        if (Stopped())
            return true;
        if (level_ == Level::Top)
            Field(name, kTopFields, topFields_, "the file");
        else if (level_ == Level::Sprite)
            Field(name, kSpriteFields, spriteFields_, SpritePlace());
        else if (level_ == Level::Frame)
            Field(name, kFrameFields, frameFields_, FramePlace());
        return true;
    }
    bool end_object()
    {
        if (!Stopped())
            EndObject();
        return true;
    }
    bool end_array()
    {
        if (!Stopped())
            level_ = level_ == Level::FrameList ? Level::Sprite : Level::Top;
        return true;
    }
    bool parse_error(std::size_t position, const std::string&, const nlohmann::detail::exception& error)
    {
        // `position` counts the bytes read, the one that failed included.
        syntax_ = LineAndColumn(text_, position == 0 ? 0 : position - 1) + ": " + LibraryProblem(error.what());
        return false;
    }

private:
    // Where the next value goes.
    enum class Level { Document, Top, SpriteList, Sprite, FrameList, Frame, Done };

    bool Stopped() const { return !shape_.empty(); }

    bool EndObject()
    {
        switch (level_) {
        case Level::Top:
            if (!Has(topFields_, 0))
                return Fail("the file needs \"sprites\": [ ... ]");
            level_ = Level::Done;
            return true;
        case Level::Sprite:
            if (!chunk_)
                return Fail(SpritePlace() + " lacks the field \"chunk\"");
            manifest_.sprites.push_back(std::move(sprite_));
            level_ = Level::SpriteList;
            return true;
        case Level::Frame:
            if (!Has(frameFields_, 0))
                return Fail(FramePlace() + " lacks the field \"frame\"");
            if (!frameIndices_.insert(frame_.frame).second)
                return Fail(SpritePlace() + " lists frame " + std::to_string(frame_.frame) + " twice");
            sprite_.frames.push_back(std::move(frame_));
            level_ = Level::FrameList;
            return true;
        default: return true;
        }
    }

    // Stops the building (the parser goes on: a syntax error further on is
    // told first). Always false.
    bool Fail(const std::string& problem)
    {
        shape_ = problem;
        return false;
    }

    static bool Has(uint32_t seen, size_t field) { return (seen >> field & 1) != 0; }

    template <size_t N>
    bool Field(const std::string& name, const std::string_view (&known)[N], uint32_t& seen, const std::string& place)
    {
        for (size_t i = 0; i < N; ++i) {
            if (known[i] != name)
                continue;
            if (Has(seen, i))
                return Fail(place + " has the field \"" + name + "\" twice");
            seen |= 1u << i;
            field_ = known[i];
            return true;
        }
        return Fail(place + " has an unknown field \"" + name + "\"");
    }

    std::string SpritePlace() const
    {
        return chunk_ ? "SPR2 " + std::to_string(*chunk_) : "sprite " + std::to_string(spriteCount_) + " of the list";
    }
    std::string FramePlace() const { return SpritePlace() + ", frame entry " + std::to_string(frameCount_) + ","; }

    template <typename T>
    bool Number(const Value& value, const std::string& place, T& out)
    {
        constexpr auto kMax = static_cast<uint64_t>(std::numeric_limits<T>::max());
        if (value.kind != Value::Kind::Number || !value.wholeNumber || value.number > kMax)
            return Fail(place + " \"" + std::string(field_) + "\" must be a whole number from 0 to " +
                        std::to_string(kMax));
        out = static_cast<T>(value.number);
        return true;
    }
    template <typename T>
    bool Number(const Value& value, const std::string& place, std::optional<T>& out)
    {
        T number{};
        if (!Number(value, place, number))
            return false;
        out = number;
        return true;
    }

    // A picture name: a file name, or null for none (kept as empty).
    bool Picture(const Value& value, std::optional<std::string>& out)
    {
        if (value.kind == Value::Kind::Null) {
            out.emplace();
            return true;
        }
        if (value.kind != Value::Kind::String || value.text->empty())
            return Fail(FramePlace() + " \"" + std::string(field_) + "\" must be a file name or null");
        out = std::move(*value.text);
        return true;
    }

    bool OnValue(const Value& value)
    {
        if (!Stopped())
            OwnValue(value);
        return true;
    }

    // False when the building stopped here.
    bool OwnValue(const Value& value)
    {
        switch (level_) {
        case Level::Document:
            if (value.kind != Value::Kind::Object)
                return Fail("the file must be an object { ... }");
            level_ = Level::Top;
            return true;
        case Level::Top:
            if (value.kind != Value::Kind::Array)
                return Fail("the file needs \"sprites\": [ ... ]");
            level_ = Level::SpriteList;
            return true;
        case Level::SpriteList:
            ++spriteCount_;
            if (value.kind != Value::Kind::Object)
                return Fail(SpritePlace() + " must be an object { ... }");
            sprite_ = ManifestSprite{};
            chunk_.reset();
            spriteFields_ = 0;
            frameCount_ = 0;
            frameIndices_.clear();
            level_ = Level::Sprite;
            return true;
        case Level::Sprite: return SpriteValue(value);
        case Level::FrameList:
            ++frameCount_;
            if (value.kind != Value::Kind::Object)
                return Fail(FramePlace() + " must be an object { ... }");
            frame_ = ManifestFrame{};
            frameFields_ = 0;
            level_ = Level::Frame;
            return true;
        case Level::Frame: return FrameValue(value);
        case Level::Done: return true; // the parser reports text after the end
        }
        return true;
    }

    bool SpriteValue(const Value& value)
    {
        const std::string place = SpritePlace();
        if (field_ == "chunk") {
            uint16_t chunk = 0;
            if (!Number(value, "sprite " + std::to_string(spriteCount_) + " of the list", chunk))
                return false;
            if (!listed_.insert(chunk).second)
                return Fail("SPR2 " + std::to_string(chunk) + " is listed twice");
            chunk_ = chunk;
            sprite_.chunk = chunk;
            return true;
        }
        if (field_ == "label") {
            if (value.kind != Value::Kind::String)
                return Fail(place + " \"label\" must be a string");
            std::string problem;
            std::string label;
            if (!ToLatin1(*value.text, label, problem))
                return Fail(place + " \"label\" " + problem);
            sprite_.label = std::move(label);
            return true;
        }
        if (field_ == "flags")
            return Number(value, place, sprite_.flags);
        if (field_ == "paletteId")
            return Number(value, place, sprite_.paletteId);
        // "frames"
        if (value.kind != Value::Kind::Array)
            return Fail(place + " \"frames\" must be a list [ ... ]");
        level_ = Level::FrameList;
        return true;
    }

    bool FrameValue(const Value& value)
    {
        const std::string place = FramePlace();
        if (field_ == "frame")
            return Number(value, place, frame_.frame);
        if (field_ == "width")
            return Number(value, place, frame_.width);
        if (field_ == "height")
            return Number(value, place, frame_.height);
        if (field_ == "paletteId")
            return Number(value, place, frame_.paletteId);
        if (field_ == "flags")
            return Number(value, place, frame_.flags);
        if (field_ == "transparentIndex")
            return Number(value, place, frame_.transparentIndex);
        if (field_ == "xOffset")
            return Number(value, place, frame_.xOffset);
        if (field_ == "yOffset")
            return Number(value, place, frame_.yOffset);
        return Picture(value, field_ == "png" ? frame_.png : frame_.depthPng);
    }

    std::string_view text_;
    SpriteManifest& manifest_;
    Level level_ = Level::Document;
    std::string_view field_; // the field whose value comes next
    std::string syntax_;
    std::string shape_;

    uint32_t topFields_ = 0;
    uint32_t spriteFields_ = 0;
    uint32_t frameFields_ = 0;
    std::set<uint16_t> listed_;
    size_t spriteCount_ = 0;
    ManifestSprite sprite_;
    std::optional<uint16_t> chunk_;
    size_t frameCount_ = 0;
    std::set<uint32_t> frameIndices_;
    ManifestFrame frame_;
};

// A label as a JSON string: its bytes from 0x80 up are Latin-1 characters,
// written as \u escapes so the file stays ASCII.
std::string LabelJson(const std::string& latin1)
{
    return Json(Latin1ToUtf8(latin1)).dump(-1, ' ', true);
}

// A picture name as a JSON string: a disk name, UTF-8 already.
std::string NameJson(const std::string& utf8)
{
    return Json(utf8).dump(-1, ' ', true, Json::error_handler_t::replace);
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
    // The layout is ours (a sprite's fields on one line, a frame a line) so a
    // hand-edited file stays easy to read and compare; the values are the
    // library's.
    std::ostringstream json;
    json << "{\n  \"sprites\": [";
    const char* spriteSeparator = "\n";
    for (const ManifestSprite& sprite : sprites) {
        json << spriteSeparator << "    {\"chunk\": " << sprite.chunk;
        if (sprite.label)
            json << ", \"label\": " << LabelJson(*sprite.label);
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
            json << ", \"png\": " << (frame.png.value_or("").empty() ? "null" : NameJson(*frame.png));
            if (frame.depthPng)
                json << ", \"depthPng\": " << (frame.depthPng->empty() ? "null" : NameJson(*frame.depthPng));
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
    if (text.size() > kMaxBytes)
        return {ManifestReadStatus::TooLarge, "larger than " + std::to_string(kMaxBytes >> 20) + " MB"};
    if (text.starts_with(kByteOrderMark))
        text.remove_prefix(kByteOrderMark.size());
    ManifestBuilder builder(text, manifest);
    Json::sax_parse(text.begin(), text.end(), &builder, nlohmann::detail::input_format_t::json, true);
    ManifestReadResult result = builder.Result();
    if (result.status != ManifestReadStatus::Ok)
        manifest = SpriteManifest{};
    return result;
}

const ManifestSprite* SpriteManifest::Find(uint16_t chunk) const
{
    for (const ManifestSprite& sprite : sprites)
        if (sprite.chunk == chunk)
            return &sprite;
    return nullptr;
}

} // namespace vorn
