#pragma once

#include "archive/entry_journal.h"
#include "archive/far_entry.h"
#include "archive/tree_change.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace vorn {

class CFarArchive;
class CVornDoc;

// How much undo history a document keeps: steps, and bytes that only the
// history holds (replaced bytes, and deleted entries' bytes kept across a
// full save). Beyond either, the oldest history goes.
constexpr size_t kUndoStepLimit = 100;
constexpr uint64_t kUndoByteLimit = uint64_t{256} << 20;

// One step of the document's history: everything one edit did to the
// directory tree and to the archive's entries, in order, with what each
// change replaced. The document takes it back and makes it again exactly
// (CVornDoc::UndoEdit, RedoEdit). Plain C++; the editor's undo stack holds
// these inside its commands.
class DocumentEdit {
public:
    explicit DocumentEdit(std::string label) : label_(std::move(label)) {}
    ~DocumentEdit();
    DocumentEdit(const DocumentEdit&) = delete;
    DocumentEdit& operator=(const DocumentEdit&) = delete;

    // What the step is called in the Edit menu ("Delete 3 items").
    const std::string& Label() const { return label_; }
    bool IsEmpty() const { return treeChanges_.empty() && entryChanges_.empty() && dataChanges_.empty(); }
    // Whether the step changes what a save writes (an empty new directory does not).
    bool ChangesArchive() const { return !entryChanges_.empty() || !dataChanges_.empty(); }
    // Bytes kept alive only for this step, in `archive` as it is now.
    uint64_t HeldBytes(const CFarArchive& archive) const;

private:
    friend class CVornDoc;

    enum class EntryChangeKind : uint8_t { Renamed, Deleted, Appended };
    struct EntryChange {
        uint32_t index;
        EntryChangeKind kind;
        FarEntryName name; // Renamed: the name to swap in
    };
    struct DataChange {
        uint32_t index;
        EntryState state; // the state to swap in
    };

    std::string label_;
    std::vector<TreeChange> treeChanges_;
    std::vector<EntryChange> entryChanges_;
    std::vector<DataChange> dataChanges_;
    // The document's content before and after the step (see CVornDoc).
    uint64_t contentBefore_ = 0;
    uint64_t contentAfter_ = 0;
    // The document that keeps the step's bytes across saves while it lives.
    CVornDoc* document_ = nullptr;
};

} // namespace vorn
