#pragma once

#include "archive/document_edit.h"

#include <QUndoCommand>

#include <memory>
#include <string>

namespace vorn {

class CVornDoc;

// What a step's maker noted when it made the step (e.g. that references
// were not rewritten), about one archive entry; told again on redo.
struct StepNote {
    std::string entry;
    std::string text;
};

// One step of the Edit menu's history: an edit the document has already
// made, which it takes back on undo and makes again on redo.
class DocumentUndoCommand : public QUndoCommand {
public:
    DocumentUndoCommand(CVornDoc& document, std::unique_ptr<DocumentEdit> edit, StepNote note = {});

    void undo() override;
    void redo() override;

    const DocumentEdit& Edit() const { return *edit_; }
    const StepNote& Note() const { return note_; }

private:
    CVornDoc& document_;
    std::unique_ptr<DocumentEdit> edit_;
    StepNote note_;
    // The stack calls redo() when the step is pushed; it is done already.
    bool done_ = true;
};

} // namespace vorn
