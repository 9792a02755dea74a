#pragma once

#include "base/messenger.h"
#include "cli/terminal_text.h"

#include <cstdint>
#include <mutex>
#include <ostream>
#include <string>

namespace vorn {

// How questions are answered on the command line.
enum class QuestionPolicy {
    Refuse, // neither --yes nor --no: answer No, and say once what was not overwritten
    Yes,    // --yes
    No,     // --no
};

// The command line's message boxes: every message's text goes to the error
// stream, questions are answered from the flags. Counts what went wrong so
// the tool can choose its exit status. Transfer workers call it from their
// own thread, so it locks.
class ConsoleMessenger : public Messenger {
public:
    ConsoleMessenger(std::ostream& err, QuestionPolicy policy, TerminalText terminal = TerminalText())
        : err_(err), policy_(policy), terminal_(terminal)
    {
    }

    MessageAnswer Show(const Message& message) override;

    // The file or entry the command works on (its ARCHIVE or INPUT, as
    // typed): errors that name nothing themselves are said to be about it.
    void SetSubject(const std::string& typed, const std::string& absolute);

    // How archive names are printed and typed.
    const TerminalText& Terminal() const { return terminal_; }

    // Error and warning boxes shown so far (information boxes are not counted).
    uint32_t ErrorCount() const;
    // Questions answered No only because no flag answered them.
    uint32_t RefusalCount() const;
    // Something failed or was refused: the command must not report success.
    bool HasProblems() const { return ErrorCount() != 0 || RefusalCount() != 0; }
    // One line for all refused questions, naming the first: a folder of
    // files in the way is not one line each.
    void ReportRefusals();

private:
    std::ostream& err_;
    QuestionPolicy policy_;
    TerminalText terminal_;
    mutable std::mutex mutex_;
    uint32_t errors_ = 0;
    uint32_t refusals_ = 0;
    std::string firstRefused_; // the question's quoted name
    std::string subject_;
    std::string absoluteSubject_;
};

} // namespace vorn
