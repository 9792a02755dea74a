#include "app/thumbnail_store.h"

#include "app/sound_glyph.h"
#include "archive/far_archive.h"
#include "archive/tree_change.h"
#include "base/byte_stream.h"

#include <QThread>

#include <algorithm>
#include <memory>
#include <optional>

namespace vorn {

namespace {

// What a job needs of the archive, taken on the UI thread.
struct JobInput {
    std::vector<uint8_t> bytes;              // the entry's bytes when they were in memory
    std::unique_ptr<ByteStream> source;      // else the archive's file on a handle of its own
    int64_t offset = 0;
    uint32_t length = 0;
};

std::optional<std::vector<uint8_t>> ReadInput(JobInput& input)
{
    if (!input.source)
        return std::move(input.bytes);
    std::vector<uint8_t> bytes;
    try {
        bytes.resize(input.length);
    } catch (const std::exception&) {
        return std::nullopt;
    }
    if (input.source->Seek(input.offset, SeekOrigin::Begin) != input.offset ||
        !input.source->ReadExact(bytes.data(), bytes.size()))
        return std::nullopt;
    return bytes;
}

int WorkerCount()
{
    return std::clamp(QThread::idealThreadCount(), 1, 4);
}

} // namespace

ThumbnailStore::ThumbnailStore(const CFarArchive& archive, QObject* parent)
    : QObject(parent), archive_(archive), maker_(MakeThumbnail)
{
    pool_.setMaxThreadCount(WorkerCount());
    // Scrolling and typing come first; the pictures fill in behind.
    pool_.setThreadPriority(QThread::LowPriority);
}

ThumbnailStore::~ThumbnailStore()
{
    archiveGeneration_ = 0;
    pool_.clear();
    pool_.waitForDone();
}

void ThumbnailStore::SetMaker(ThumbnailMaker maker)
{
    maker_ = std::move(maker);
    ForgetAll();
}

int ThumbnailStore::Capacity() const
{
    return static_cast<int>(byteLimit_ / (static_cast<size_t>(kSize) * kSize * 4));
}

void ThumbnailStore::SetByteLimit(size_t bytes)
{
    byteLimit_ = bytes;
    Evict();
}

QPixmap ThumbnailStore::Find(int32_t entry) const
{
    const auto found = cache_.find(entry);
    return found == cache_.end() ? QPixmap() : found->second.picture;
}

void ThumbnailStore::Touch(int32_t entry)
{
    const auto found = cache_.find(entry);
    if (found != cache_.end())
        uses_.splice(uses_.begin(), uses_, found->second.use);
}

void ThumbnailStore::Want(std::vector<Request> requests)
{
    pending_.clear();
    for (Request& request : requests) {
        if (!Has(request.entry))
            pending_.push_back(std::move(request));
    }
    StartJobs();
}

void ThumbnailStore::StartJobs()
{
    // An entry whose job still runs keeps its place: the result may turn out
    // stale and the entry is then drawn again.
    for (auto next = pending_.begin();
         next != pending_.end() && static_cast<int>(running_.size()) < pool_.maxThreadCount();) {
        if (running_.count(next->entry)) {
            ++next;
            continue;
        }
        const Request request = std::move(*next);
        next = pending_.erase(next);
        if (!Has(request.entry))
            Start(request);
    }
}

void ThumbnailStore::Start(const Request& request)
{
    const CFarEntry* entry = request.entry >= 0 ? archive_.Entry(static_cast<size_t>(request.entry)) : nullptr;
    if (entry == nullptr || entry->isDeleted || entry->size2 > kLargestEntry) {
        Store(request.entry, QPixmap());
        return;
    }
    auto input = std::make_shared<JobInput>();
    if (archive_.BlockOf(static_cast<size_t>(request.entry)).HasBytes()) {
        const std::span<const uint8_t> bytes = archive_.BytesOf(static_cast<size_t>(request.entry));
        input->bytes.assign(bytes.begin(), bytes.end());
    } else {
        input->source = archive_.DuplicateSource();
        input->offset = entry->offset;
        input->length = entry->size2;
        if (!input->source || entry->offset < 0) {
            Store(request.entry, QPixmap());
            return;
        }
    }
    running_.insert(request.entry);
    const uint64_t generation = GenerationOf(request.entry);
    const uint64_t archiveGeneration = archiveGeneration_;
    pool_.start([this, input, generation, archiveGeneration, entry = request.entry, name = request.name,
                 maker = maker_] {
        auto result = std::make_shared<Thumbnail>();
        // Work for an archive that is gone is not done at all.
        if (archiveGeneration_ == archiveGeneration) {
            if (const std::optional<std::vector<uint8_t>> bytes = ReadInput(*input))
                *result = maker(name, *bytes, kSize);
            // A maker's oversized picture is scaled here, off the UI thread.
            if (result->picture.width() > kSize || result->picture.height() > kSize)
                result->picture = result->picture.scaled(kSize, kSize, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        }
        QMetaObject::invokeMethod(
            this, [this, entry, generation, result] { Finish(entry, generation, std::move(*result)); },
            Qt::QueuedConnection);
    });
}

void ThumbnailStore::Finish(int32_t entry, uint64_t generation, Thumbnail result)
{
    running_.erase(entry);
    if (generation == GenerationOf(entry)) {
        switch (result.kind) {
        case Thumbnail::Kind::Picture: Store(entry, QPixmap::fromImage(result.picture)); break;
        case Thumbnail::Kind::Sound: Store(entry, DrawSoundGlyph(result.seconds, kSize, palette_)); break;
        case Thumbnail::Kind::Nothing: Store(entry, QPixmap()); break;
        }
    }
    StartJobs();
}

void ThumbnailStore::Store(int32_t entry, QPixmap picture)
{
    Release(entry);
    uses_.push_front(entry);
    cachedBytes_ += static_cast<size_t>(picture.width()) * picture.height() * 4;
    cache_[entry] = Cached{std::move(picture), uses_.begin()};
    Evict();
    emit thumbnailReady(entry);
}

void ThumbnailStore::Release(int32_t entry)
{
    const auto found = cache_.find(entry);
    if (found == cache_.end())
        return;
    const QPixmap& picture = found->second.picture;
    cachedBytes_ -= static_cast<size_t>(picture.width()) * picture.height() * 4;
    uses_.erase(found->second.use);
    cache_.erase(found);
}

void ThumbnailStore::Evict()
{
    while (cachedBytes_ > byteLimit_ && !uses_.empty())
        Release(uses_.back());
}

uint64_t ThumbnailStore::GenerationOf(int32_t entry) const
{
    const auto found = entryGenerations_.find(entry);
    return found == entryGenerations_.end() ? archiveGeneration_.load() : found->second;
}

void ThumbnailStore::Forget(int32_t entry)
{
    if (entry < 0)
        return;
    Release(entry);
    entryGenerations_[entry] = ++lastGeneration_;
}

void ThumbnailStore::ForgetAll()
{
    pending_.clear();
    cache_.clear();
    uses_.clear();
    cachedBytes_ = 0;
    entryGenerations_.clear();
    archiveGeneration_ = ++lastGeneration_;
}

void ThumbnailStore::Apply(const TreeChange& change)
{
    switch (change.kind) {
    case TreeChangeKind::FileResized:
        Forget(change.oldEntryIndex);
        Forget(change.item.entryIndex);
        break;
    case TreeChangeKind::FileRenamed:
        // The name says what kind of file it is.
        Forget(change.item.entryIndex);
        break;
    case TreeChangeKind::Rebuilt: ForgetAll(); break;
    default: break;
    }
}

} // namespace vorn
