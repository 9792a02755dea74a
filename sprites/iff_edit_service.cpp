#include "sprites/iff_edit_service.h"

#include "archive/vorn_doc.h"
#include "base/memory_stream.h"

namespace vorn {

namespace {

constexpr size_t kImageGrowth = 1024;

} // namespace

void IffEditService::Reset()
{
    catalogue_.reset();
    file_.reset();
    document_ = nullptr;
    entryIndex_.reset();
    entryPath_.clear();
}

IffOpenResult IffEditService::Open(std::span<const uint8_t> bytes)
{
    Reset();
    // The reference owns its container, so it leaves the process-wide table
    // with the service instead of piling up there.
    auto file = std::make_unique<CIffFileRef>();
    IffParseError error = IffParseError::None;
    if (!file->Open(bytes, error, true))
        return IffOpenResult::NotIff;
    file_ = std::move(file);
    return IffOpenResult::Opened;
}

IffOpenResult IffEditService::OpenEntry(CVornDoc& document, std::string_view path)
{
    Reset();
    CFarDirectoryTree& tree = document.Tree();
    MemoryStream bytes(kImageGrowth);
    if (!tree.WriteEntryData(path, bytes))
        return IffOpenResult::CantRead;
    const IffOpenResult opened = Open(bytes.Bytes());
    if (opened != IffOpenResult::Opened)
        return opened;
    const std::optional<FarFileItem> item = tree.GetFileItem(path);
    if (!item || tree.EntryOfItem(*item) == nullptr) {
        Reset();
        return IffOpenResult::NoEntry;
    }
    document_ = &document;
    entryIndex_ = static_cast<size_t>(item->entryIndex);
    entryPath_ = std::string(path);
    return IffOpenResult::Opened;
}

std::span<const std::unique_ptr<CIffChunk>> IffEditService::Chunks() const
{
    const CIffFile* container = Container();
    if (container == nullptr)
        return {};
    return container->Chunks();
}

CIffChunk* IffEditService::Find(uint32_t type, uint16_t id) const
{
    return IsOpen() ? file_->Find(type, id) : nullptr;
}

std::vector<CIffChunk*> IffEditService::ChunksOfType(uint32_t type) const
{
    return IsOpen() ? file_->ChunksOfType(type) : std::vector<CIffChunk*>{};
}

std::optional<std::span<const uint8_t>> IffEditService::Data(CIffChunk& chunk)
{
    if (!IsOpen() || !file_->LoadChunk(chunk))
        return std::nullopt;
    return chunk.Bytes();
}

const CObjectCatalogue& IffEditService::Catalogue()
{
    if (!catalogue_) {
        catalogue_.emplace();
        if (IsOpen())
            catalogue_->Build(file_.get());
    }
    return *catalogue_;
}

IffSaveResult IffEditService::WriteImage(MemoryStream& image)
{
    // Without the container there is nothing to write; an empty file would
    // replace the user's object.
    if (!IsOpen())
        return IffSaveResult::NoContainer;
    if (!file_->LoadAll())
        return IffSaveResult::CantLoad;
    return file_->Save(image) ? IffSaveResult::Saved : IffSaveResult::CantStore;
}

IffSaveResult IffEditService::SaveToEntry()
{
    MemoryStream image(kImageGrowth);
    const IffSaveResult written = WriteImage(image);
    if (written != IffSaveResult::Saved)
        return written;
    // The entry keeps its bytes unless the whole new file was written and taken.
    if (document_ == nullptr || !entryIndex_ || !document_->Archive().SetData(*entryIndex_, image))
        return IffSaveResult::CantStore;
    return IffSaveResult::Saved;
}

IffSaveResult IffEditService::SaveAs(CVornDoc& document, std::string_view path)
{
    MemoryStream image(kImageGrowth);
    const IffSaveResult written = WriteImage(image);
    if (written != IffSaveResult::Saved)
        return written;
    image.Seek(0, SeekOrigin::Begin);
    if (!document.Tree().AddFile(path, image, true))
        return IffSaveResult::CantStore;
    return IffSaveResult::Saved;
}

} // namespace vorn
