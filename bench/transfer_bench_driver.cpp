// Drives the transfer workers for bench/transfer_bench.sh, which compares
// them with tar on the same files:
//   transfer_bench_driver generate <folder> <files> <total bytes>
//   transfer_bench_driver generate-small <folder> <files> <folders> <largest bytes>
//   transfer_bench_driver pack <folder> <archive.far>
//   transfer_bench_driver extract <archive.far> <target folder>
//   transfer_bench_driver add <folder>
// Each command prints the seconds its work took on stdout.
#include "archive/far_archive.h"
#include "archive/far_directory_tree.h"
#include "base/file_stream.h"
#include "base/recording_messenger.h"
#include "transfer/add_worker.h"
#include "transfer/extract_worker.h"
#include "transfer/transfer_host.h"

#include <sys/stat.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

using namespace vorn;

namespace {

double Seconds(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

int Fail(const char* what)
{
    std::fprintf(stderr, "transfer_bench_driver: %s\n", what);
    return 1;
}

// The first `size` bytes of the block, changed a little per file so no two
// files are the same.
bool WriteFixtureFile(const std::string& path, std::vector<uint64_t>& block, long index, long long size)
{
    FILE* out = std::fopen(path.c_str(), "wb");
    if (!out)
        return false;
    block[static_cast<size_t>(index) % block.size()] ^= static_cast<uint64_t>(index);
    const bool written = std::fwrite(block.data(), 1, static_cast<size_t>(size), out) == static_cast<size_t>(size);
    return std::fclose(out) == 0 && written;
}

// Files of varied sizes around the mean, 200 to a folder, with bytes that do
// not compress to nothing.
int Generate(const std::string& folder, long files, long long totalBytes)
{
    std::mt19937_64 random(7);
    const long long mean = totalBytes / files;
    std::vector<uint64_t> block(static_cast<size_t>(mean * 2 / 8 + 8));
    for (uint64_t& word : block)
        word = random();
    ::mkdir(folder.c_str(), 0777);
    for (long i = 0; i < files; ++i) {
        const std::string sub = folder + "/dir" + std::to_string(i / 200);
        if (i % 200 == 0)
            ::mkdir(sub.c_str(), 0777);
        const long long size = mean / 2 + static_cast<long long>(random() % static_cast<uint64_t>(mean));
        if (!WriteFixtureFile(sub + "/file" + std::to_string(i) + ".bin", block, i, size))
            return Fail("cannot write the fixture");
    }
    return 0;
}

// Many small files, as the game's archives hold them: sizes spread evenly
// from 1 byte to `largest`, dealt round the folders in turn.
int GenerateSmall(const std::string& folder, long files, long folders, long largest)
{
    if (files <= 0 || folders <= 0 || largest <= 0)
        return Fail("bad fixture size");
    std::mt19937_64 random(11);
    std::vector<uint64_t> block(static_cast<size_t>(largest / 8 + 8));
    for (uint64_t& word : block)
        word = random();
    ::mkdir(folder.c_str(), 0777);
    for (long d = 0; d < folders; ++d)
        ::mkdir((folder + "/set" + std::to_string(d)).c_str(), 0777);
    for (long i = 0; i < files; ++i) {
        const long size = 1 + static_cast<long>(random() % static_cast<uint64_t>(largest));
        const std::string path = folder + "/set" + std::to_string(i % folders) + "/item" + std::to_string(i) + ".iff";
        if (!WriteFixtureFile(path, block, i, size))
            return Fail("cannot write the fixture");
    }
    return 0;
}

struct Quiet {
    RecordingMessenger messenger;
    MessengerTransferHost host{messenger};
};

int Pack(const std::string& folder, const std::string& path)
{
    CFarArchive archive;
    CFarDirectoryTree tree;
    tree.Build(archive);
    Quiet quiet;
    TransferJob job;
    job.host = &quiet.host;
    job.archive = &tree;
    job.Reset();
    AddDiskDirectory(job, folder, "");
    int error = 0;
    auto out = FileStream::Open(path, FileMode::CreateReadWrite, error);
    if (!out || !archive.Save(*out))
        return Fail("cannot save the archive");
    return quiet.messenger.Count() == 0 ? 0 : Fail("messages while packing");
}

int Extract(const std::string& path, const std::string& target)
{
    const auto start = std::chrono::steady_clock::now();
    int error = 0;
    auto file = FileStream::Open(path, FileMode::Read, error);
    CFarArchive archive;
    CFarDirectoryTree tree;
    if (!file || !archive.Load(*file) || !tree.Build(archive))
        return Fail("cannot load the archive");
    Quiet quiet;
    TransferJob job;
    job.host = &quiet.host;
    job.archive = &tree;
    job.archiveFile = path;
    job.source = file.get();
    job.targetFolder = target;
    for (const CFarDirectory& directory : tree.Root().Subdirectories())
        job.directories.push_back(directory.Path());
    for (const FarFileItem& item : tree.Root().Files())
        job.files.push_back(item.name);
    job.Reset();
    ExtractFiles(job);
    const double seconds = Seconds(start);
    if (quiet.messenger.Count() != 0)
        return Fail("messages while extracting");
    std::printf("%.3f %d\n", seconds, job.filesDone.load());
    return 0;
}

int Add(const std::string& folder)
{
    const auto start = std::chrono::steady_clock::now();
    CFarArchive archive;
    CFarDirectoryTree tree;
    tree.Build(archive);
    Quiet quiet;
    TransferJob job;
    job.host = &quiet.host;
    job.archive = &tree;
    job.droppedItems = {folder};
    job.Reset();
    AddDroppedItems(job);
    const double seconds = Seconds(start);
    if (quiet.messenger.Count() != 0)
        return Fail("messages while adding");
    std::printf("%.3f %d\n", seconds, job.filesDone.load());
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "generate" && argc == 5)
        return Generate(argv[2], std::atol(argv[3]), std::atoll(argv[4]));
    if (command == "generate-small" && argc == 6)
        return GenerateSmall(argv[2], std::atol(argv[3]), std::atol(argv[4]), std::atol(argv[5]));
    if (command == "pack" && argc == 4)
        return Pack(argv[2], argv[3]);
    if (command == "extract" && argc == 4)
        return Extract(argv[2], argv[3]);
    if (command == "add" && argc == 3)
        return Add(argv[2]);
    std::fprintf(stderr, "usage: transfer_bench_driver generate|pack|extract|add ...\n");
    return 2;
}
