// Writes the big-archive fixture twice, as a FAR archive and as a tar of the
// same files: half of the entries in one directory, the rest spread over
// one directory per 200 entries, every file 16 bytes.
//   big_archive_fixture <archive.far> <archive.tar> <entries>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

void PutLE32(std::string& out, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

// Entry i's path with `separator` between components.
std::string EntryName(uint32_t i, uint32_t half, uint32_t directories, char separator)
{
    char name[64];
    if (i < half)
        std::snprintf(name, sizeof name, "Big%cFile%07u.dat", separator, i);
    else
        std::snprintf(name, sizeof name, "Spread%cDir%05u%cItem%07u.dat", separator, (i - half) % directories, separator, i);
    return name;
}

// The 16 bytes of entry i.
void Contents(uint32_t i, char* bytes)
{
    std::snprintf(bytes, 17, "entry %09u\n", i % 1000000000u);
}

// One ustar header for a regular file.
void TarHeader(std::string& out, const std::string& name, size_t size)
{
    char header[512] = {};
    std::memcpy(header, name.data(), name.size());
    std::snprintf(header + 100, 8, "%07o", 0644u);
    std::snprintf(header + 108, 8, "%07o", 0u);
    std::snprintf(header + 116, 8, "%07o", 0u);
    std::snprintf(header + 124, 12, "%011zo", size);
    std::snprintf(header + 136, 12, "%011o", 0u);
    header[156] = '0';
    std::memcpy(header + 257, "ustar", 6);
    std::memcpy(header + 263, "00", 2);
    std::memset(header + 148, ' ', 8);
    unsigned sum = 0;
    for (unsigned char c : header)
        sum += c;
    std::snprintf(header + 148, 8, "%06o", sum);
    header[155] = ' ';
    out.append(header, sizeof header);
}

bool WriteAll(const char* path, const std::string& bytes)
{
    FILE* file = std::fopen(path, "wb");
    if (!file)
        return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && ok;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: big_archive_fixture <archive.far> <archive.tar> <entries>\n");
        return 2;
    }
    const auto count = static_cast<uint32_t>(std::strtoul(argv[3], nullptr, 10));
    const uint32_t half = count / 2;
    const uint32_t directories = count / 200 > 0 ? count / 200 : 1;
    constexpr uint32_t kSize = 16;

    std::string far;
    static const char kMagic[8] = {'F', 'A', 'R', '!', 'b', 'y', 'A', 'Z'};
    far.append(kMagic, sizeof kMagic);
    PutLE32(far, 1);
    PutLE32(far, 16 + count * kSize);
    char bytes[17];
    for (uint32_t i = 0; i < count; ++i) {
        Contents(i, bytes);
        far.append(bytes, kSize);
    }
    PutLE32(far, count);
    for (uint32_t i = 0; i < count; ++i) {
        const std::string name = EntryName(i, half, directories, '\\');
        PutLE32(far, kSize);
        PutLE32(far, kSize);
        PutLE32(far, 16 + i * kSize);
        PutLE32(far, static_cast<uint32_t>(name.size()));
        far += name;
    }

    std::string tar;
    for (uint32_t i = 0; i < count; ++i) {
        TarHeader(tar, EntryName(i, half, directories, '/'), kSize);
        Contents(i, bytes);
        char block[512] = {};
        std::memcpy(block, bytes, kSize);
        tar.append(block, sizeof block);
    }
    tar.resize(tar.size() + 1024, '\0');

    if (!WriteAll(argv[1], far) || !WriteAll(argv[2], tar)) {
        std::fprintf(stderr, "big_archive_fixture: cannot write the fixture\n");
        return 1;
    }
    return 0;
}
