#include "archive/document_edit.h"

#include "archive/far_archive.h"
#include "archive/vorn_doc.h"

namespace vorn {

DocumentEdit::~DocumentEdit()
{
    if (document_)
        document_->Forget(*this);
}

uint64_t DocumentEdit::HeldBytes(const CFarArchive& archive) const
{
    uint64_t held = 0;
    for (const DataChange& change : dataChanges_)
        held += change.state.block.length;
    for (const EntryChange& change : entryChanges_) {
        const CFarEntry* entry = archive.Entry(change.index);
        if (change.kind != EntryChangeKind::Renamed && entry && entry->isDeleted)
            held += archive.BlockOf(change.index).length;
    }
    return held;
}

} // namespace vorn
