#include "app/document_undo_command.h"

#include "archive/vorn_doc.h"

#include <QString>

namespace vorn {

DocumentUndoCommand::DocumentUndoCommand(CVornDoc& document, std::unique_ptr<DocumentEdit> edit, StepNote note)
    : QUndoCommand(QString::fromLatin1(edit->Label())), document_(document), edit_(std::move(edit)), note_(std::move(note))
{
}

void DocumentUndoCommand::undo()
{
    document_.UndoEdit(*edit_);
}

void DocumentUndoCommand::redo()
{
    if (done_) {
        done_ = false;
        return;
    }
    document_.RedoEdit(*edit_);
}

} // namespace vorn
