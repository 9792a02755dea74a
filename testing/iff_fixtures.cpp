#include "testing/iff_fixtures.h"

#include "base/endian.h"

#include <algorithm>
#include <cstring>

namespace vorn::testing {

namespace {

uint32_t TypeValue(const std::string& type)
{
    uint32_t value = 0;
    for (size_t i = 0; i < 4; ++i)
        value = (value << 8) | static_cast<uint8_t>(i < type.size() ? type[i] : ' ');
    return value;
}

std::vector<uint8_t> BuildMap(const std::vector<IffChunkDesc>& chunks, const std::vector<uint32_t>& offsets)
{
    std::vector<std::string> order;
    for (const auto& c : chunks)
        if (c.inMap && std::find(order.begin(), order.end(), c.type) == order.end())
            order.push_back(c.type);
    std::vector<uint8_t> body;
    AppendLE32(body, 0);
    AppendLE32(body, 0);
    body.insert(body.end(), {'p', 'm', 's', 'r'});
    AppendLE32(body, 0); // size, patched below
    AppendLE32(body, static_cast<uint32_t>(order.size()));
    for (const auto& type : order) {
        AppendLE32(body, TypeValue(type));
        uint32_t count = 0;
        for (const auto& c : chunks)
            count += (c.inMap && c.type == type) ? 1 : 0;
        AppendLE32(body, count);
        for (size_t i = 0; i < chunks.size(); ++i) {
            const auto& c = chunks[i];
            if (!c.inMap || c.type != type)
                continue;
            AppendLE32(body, offsets[i]);
            AppendLE16(body, c.id);
            AppendLE16(body, c.flags);
            body.insert(body.end(), c.label.begin(), c.label.end());
            body.push_back(0);
            // Parity counted from the map chunk's header, which is 76 bytes (even).
            if (body.size() % 2 != 0)
                body.push_back(0xA3);
        }
    }
    const auto total = static_cast<uint32_t>(body.size() + 76);
    StoreLE32(body.data() + 12, total);
    std::vector<uint8_t> map = BuildChunkHeader("rsmp", total, 0, 0x0010, "");
    map.insert(map.end(), body.begin(), body.end());
    return map;
}

} // namespace

std::vector<uint8_t> BuildChunkHeader(const std::string& type, uint32_t totalSize, uint16_t id, uint16_t flags,
                                      const std::string& label)
{
    std::vector<uint8_t> header(76, 0);
    StoreBE32(header.data(), TypeValue(type));
    StoreBE32(header.data() + 4, totalSize);
    StoreBE16(header.data() + 8, id);
    StoreBE16(header.data() + 10, flags);
    std::memcpy(header.data() + 12, label.data(), std::min<size_t>(label.size(), 63));
    return header;
}

std::vector<uint8_t> BuildIffFile(const IffFileLayout& layout)
{
    static const char kFirst[] = "IFF FILE 2.5:TYPE FOLLOWED BY SIZE";
    static const char kSecond[] = " ORLAN KESTRUVE & MAXIS 1996";
    std::vector<uint8_t> file(64, 0);
    std::memcpy(file.data(), kFirst, sizeof kFirst - 1);
    std::memcpy(file.data() + sizeof kFirst, kSecond, sizeof kSecond - 1);
    std::memcpy(file.data() + 9, layout.version.data(), std::min<size_t>(layout.version.size(), 3));

    // The map's size does not depend on the offsets it lists, so a map
    // placed first can be sized before the chunks are laid out.
    std::vector<uint32_t> offsets(layout.chunks.size());
    const size_t mapSize = layout.map == IffMapPlacement::None ? 0 : BuildMap(layout.chunks, offsets).size();
    uint32_t position = 64 + static_cast<uint32_t>(layout.map == IffMapPlacement::BeforeChunks ? mapSize : 0);
    for (size_t i = 0; i < layout.chunks.size(); ++i) {
        offsets[i] = position;
        position += static_cast<uint32_t>(76 + layout.chunks[i].data.size());
    }
    std::vector<uint8_t> map;
    if (layout.map != IffMapPlacement::None)
        map = BuildMap(layout.chunks, offsets);
    if (layout.map == IffMapPlacement::BeforeChunks) {
        StoreBE32(file.data() + 60, 64);
        file.insert(file.end(), map.begin(), map.end());
    }
    for (const auto& c : layout.chunks) {
        const auto header = BuildChunkHeader(c.type, static_cast<uint32_t>(76 + c.data.size()), c.id, c.flags, c.label);
        file.insert(file.end(), header.begin(), header.end());
        file.insert(file.end(), c.data.begin(), c.data.end());
    }
    if (layout.map == IffMapPlacement::End) {
        StoreBE32(file.data() + 60, static_cast<uint32_t>(file.size()));
        file.insert(file.end(), map.begin(), map.end());
    }
    // Without a map the offset field says so; otherwise the tail of the
    // header text would sit there.
    if (layout.map == IffMapPlacement::None)
        StoreBE32(file.data() + 60, 0);
    return file;
}

std::vector<uint8_t> BuildPalt(const std::vector<uint8_t>& colours, uint32_t version, uint32_t count)
{
    std::vector<uint8_t> data;
    AppendLE32(data, version);
    AppendLE32(data, count);
    data.resize(16, 0);
    data.insert(data.end(), colours.begin(), colours.end());
    if (data.size() < 16 + 768)
        data.resize(16 + 768, 0);
    return data;
}

std::vector<uint8_t> BuildObjd(const ObjdFields& fields, size_t size)
{
    std::vector<uint8_t> data(std::max<size_t>(size, 24), 0);
    StoreLE32(data.data(), fields.version);
    StoreLE16(data.data() + 6, fields.baseGraphicId);
    StoreLE16(data.data() + 8, fields.graphicCount);
    StoreLE16(data.data() + 20, fields.masterId);
    StoreLE16(data.data() + 22, static_cast<uint16_t>(fields.subIndex));
    data.resize(size);
    return data;
}

std::vector<uint8_t> BuildDgrp(uint16_t version, const std::vector<DgrpImageDesc>& images)
{
    std::vector<uint8_t> data;
    AppendLE16(data, version);
    const bool longLayout = static_cast<int16_t>(version) >= 20003;
    if (!longLayout) {
        AppendLE16(data, static_cast<uint16_t>(images.size()));
        for (const auto& image : images) {
            AppendLE16(data, static_cast<uint16_t>(image.sprites.size()));
            data.push_back(static_cast<uint8_t>(image.directionMask));
            data.push_back(static_cast<uint8_t>(image.zoom));
            for (const auto& s : image.sprites) {
                AppendLE16(data, static_cast<uint16_t>(s.type));
                AppendLE16(data, static_cast<uint16_t>(s.spriteId));
                AppendLE16(data, static_cast<uint16_t>(s.frameIndex));
                AppendLE16(data, static_cast<uint16_t>(s.flags));
                AppendLE16(data, static_cast<uint16_t>(s.x));
                AppendLE16(data, static_cast<uint16_t>(s.y));
                if (static_cast<int16_t>(version) >= 20001)
                    AppendLE32(data, s.extra1);
            }
        }
        return data;
    }
    AppendLE32(data, static_cast<uint32_t>(images.size()));
    for (const auto& image : images) {
        AppendLE32(data, image.directionMask);
        AppendLE32(data, image.zoom);
        AppendLE32(data, static_cast<uint32_t>(image.sprites.size()));
        for (const auto& s : image.sprites) {
            AppendLE32(data, s.spriteId);
            AppendLE32(data, s.frameIndex);
            AppendLE32(data, static_cast<uint32_t>(s.x));
            AppendLE32(data, static_cast<uint32_t>(s.y));
            AppendLE32(data, s.extra1);
            AppendLE32(data, s.flags);
            if (static_cast<int16_t>(version) >= 20004) {
                AppendLE32(data, s.extra2);
                AppendLE32(data, s.extra3);
            }
        }
    }
    return data;
}

std::vector<uint8_t> BuildStringTable(StrLayout layout, const std::vector<StrDesc>& strings, uint8_t sets,
                                      const std::vector<uint8_t>& padding)
{
    std::vector<uint8_t> data;
    const auto text = [&data](const std::string& value) { data.insert(data.end(), value.begin(), value.end()); };
    const auto cString = [&](const std::string& value) {
        text(value);
        data.push_back(0);
    };
    const auto lengthLed = [&](const std::string& value) {
        size_t length = value.size();
        while (length >= 0x80) {
            data.push_back(static_cast<uint8_t>(0x80 | (length & 0x7F)));
            length >>= 7;
        }
        data.push_back(static_cast<uint8_t>(length));
        text(value);
    };
    switch (layout) {
    case StrLayout::Pascal:
        data = {static_cast<uint8_t>(strings.size() >> 8), static_cast<uint8_t>(strings.size())};
        for (const StrDesc& s : strings) {
            data.push_back(static_cast<uint8_t>(s.text.size()));
            text(s.text);
        }
        break;
    case StrLayout::Plain:
    case StrLayout::Commented:
    case StrLayout::Languages:
        data = {layout == StrLayout::Plain ? uint8_t{0xFF} : layout == StrLayout::Commented ? uint8_t{0xFE} : uint8_t{0xFD},
                0xFF};
        AppendLE16(data, static_cast<uint16_t>(strings.size()));
        for (const StrDesc& s : strings) {
            if (layout == StrLayout::Languages)
                data.push_back(s.language);
            cString(s.text);
            if (layout != StrLayout::Plain)
                cString(s.comment);
        }
        break;
    case StrLayout::LanguageSets:
        data = {0xFC, 0xFF, sets};
        for (unsigned set = 0; set < sets; ++set) {
            AppendLE16(data, static_cast<uint16_t>(std::count_if(strings.begin(), strings.end(),
                                                                 [set](const StrDesc& s) { return s.set == set; })));
            for (const StrDesc& s : strings)
                if (s.set == set) {
                    data.push_back(s.language);
                    lengthLed(s.text);
                    lengthLed(s.comment);
                }
        }
        break;
    }
    data.insert(data.end(), padding.begin(), padding.end());
    return data;
}

} // namespace vorn::testing
