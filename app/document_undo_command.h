#pragma once

#include "archive/document_edit.h"

#include <QUndoCommand>

#include <memory>

namespace vorn {

class CVornDoc;

// One step of the Edit menu's history: an edit the document has already
// made, which it takes back on undo and makes again on redo.
class DocumentUndoCommand : public QUndoCommand {
public:
    DocumentUndoCommand(CVornDoc& document, std::unique_ptr<DocumentEdit> edit);

    void undo() override;
    void redo() override;

    const DocumentEdit& Edit() const { return *edit_; }

private:
    CVornDoc& document_;
    std::unique_ptr<DocumentEdit> edit_;
    // The stack calls redo() when the step is pushed; it is done already.
    bool done_ = true;
};

} // namespace vorn
