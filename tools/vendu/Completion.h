#pragma once
// Shell completion for vendu, made from the table of commands: the commands, their options,
// the values an option offers, entry files (*.vendu) and folders where an entry file goes,
// and nothing where a number or a text goes.
#include "tools/vendu/Options.h"

#include <string>
#include <vector>

namespace vendu {

// What may stand in one place of a command line.
struct WordSlot {
    enum Kind { nothing, files, words };
    Kind kind = nothing;
    // files: the extensions offered ("vendu"; none: any file), folders always; words: the
    // words offered.
    std::vector<std::string> names;
};

// The value of an option: its choices ("csv|jsonl"), an entry file (FILE), any file (PATH),
// or nothing (a number, a text).
WordSlot OptionValueSlot(const OptionSpec& option);

// The operands of a command, read from its usage ("FILE N...", "IN.csv|IN.jsonl --into
// FILE"): what each place takes. From repeat on (a word with "...") every further operand
// takes what the place at repeat takes; repeat is -1 when none repeats.
struct OperandSlots {
    std::vector<WordSlot> slots;
    int repeat = -1;
};
OperandSlots OperandSlotsOf(const CommandSpec& command);

enum class Shell { bash, zsh, fish };

// The completion script for a shell, to be installed where it looks for vendu's.
std::string CompletionScript(Shell shell);

} // namespace vendu
