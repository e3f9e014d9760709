// The completion scripts: what each place of each command takes comes from the table of
// commands as data (one function per question), and one hand-written walk over the words per
// shell asks them. bash and zsh share the data, written in the syntax both read.
#include "tools/vendu/Completion.h"

namespace vendu {

namespace {

std::vector<std::string> Split(const std::string& text, char by) {
    std::vector<std::string> parts;
    std::size_t from = 0;
    for (std::size_t at; (at = text.find(by, from)) != std::string::npos; from = at + 1)
        parts.push_back(text.substr(from, at - from));
    parts.push_back(text.substr(from));
    return parts;
}

std::string Joined(const std::vector<std::string>& words) {
    std::string out;
    for (const std::string& w : words)
        out += (out.empty() ? "" : " ") + w;
    return out;
}

// One operand word of a usage: "FILE", "FILE|FOLDER...", "IN.csv|IN.jsonl", "N", "KEYWORD".
WordSlot OperandSlot(const std::string& word) {
    WordSlot slot;
    std::vector<std::string> extensions;
    bool entryFile = false;
    for (const std::string& name : Split(word, '|')) {
        const std::size_t dot = name.find('.');
        if (name == "FILE" || name == "FOLDER")
            entryFile = true;
        else if (dot != std::string::npos)
            extensions.push_back(name.substr(dot + 1));
    }
    if (entryFile)
        return {WordSlot::files, {"vendu"}};
    if (!extensions.empty())
        return {WordSlot::files, extensions};
    return slot;
}

// Each option of a command that takes a value: "--format" and "-m" alike.
std::vector<std::string> OptionNames(const OptionSpec& o) {
    std::vector<std::string> names = {std::string("--") + o.name};
    if (o.letter)
        names.push_back(std::string("-") + o.letter);
    return names;
}

// What a WordSlot is to the scripts: "words a b", "files vendu", "nothing".
std::string SlotText(const WordSlot& slot) {
    const char* kinds[] = {"nothing", "files", "words"};
    return Joined({kinds[slot.kind], Joined(slot.names)});
}

std::string Quoted(const std::string& text) {
    std::string out = "'";
    for (char c : text)
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

// The questions the walk over the words asks, as functions: each command's options, the value
// an option takes (status 1: none; 2: only after "="), and what operand INDEX takes.
struct Data {
    std::string commands;
    std::vector<std::pair<std::string, std::string>> options;  // command, its options
    std::vector<std::pair<std::string, std::string>> values;   // "command option", slot
    std::vector<std::string> optionalValues;                   // "command option"
    std::vector<std::pair<std::string, int>> repeats;          // command, repeat index
    std::vector<std::pair<std::string, std::string>> operands; // "command index", slot
};

Data MakeData() {
    Data d;
    std::vector<std::string> names;
    for (const CommandSpec& c : CommandTable()) {
        names.push_back(c.name);
        std::vector<std::string> options;
        for (const OptionSpec& o : AllOptions(c)) {
            for (const std::string& name : OptionNames(o)) {
                options.push_back(name);
                if (!o.value)
                    continue;
                const std::string key = std::string(c.name) + " " + name;
                d.values.push_back({key, SlotText(OptionValueSlot(o))});
                if (o.valueOptional)
                    d.optionalValues.push_back(key);
            }
        }
        d.options.push_back({c.name, Joined(options)});
        const OperandSlots operands = OperandSlotsOf(c);
        if (operands.repeat >= 0)
            d.repeats.push_back({c.name, operands.repeat});
        for (std::size_t i = 0; i < operands.slots.size(); ++i)
            d.operands.push_back(
                {std::string(c.name) + " " + std::to_string(i), SlotText(operands.slots[i])});
    }
    names.push_back("help");
    d.commands = Joined(names);
    d.options.push_back({"help", "-h --help"});
    d.options.push_back({"", "-h --help -V --version"});
    d.operands.push_back(
        {"help 0", "words " + Joined(std::vector<std::string>(names.begin(), names.end() - 1))});
    return d;
}

std::string ShellData(const Data& d) {
    std::string out = "_vendu_commands=" + Quoted(d.commands) + "\n\n";
    out += "# COMMAND: its options.\n_vendu_options() {\n    case $1 in\n";
    for (const auto& [command, options] : d.options)
        out += "    " + Quoted(command) + ") echo " + Quoted(options) + " ;;\n";
    out += "    esac\n}\n\n";
    out += "# COMMAND OPTION: what its value is; status 1: it takes none, 2: only after \"=\".\n"
           "_vendu_value() {\n    case \"$1 $2\" in\n";
    for (const auto& [key, slot] : d.values) {
        bool optional = false;
        for (const std::string& o : d.optionalValues)
            optional = optional || o == key;
        out += "    " + Quoted(key) + ") echo " + Quoted(slot) + (optional ? "; return 2" : "") +
               " ;;\n";
    }
    out += "    *) return 1 ;;\n    esac\n}\n\n";
    out += "# COMMAND INDEX: what operand INDEX (from 0) is.\n"
           "_vendu_operand() {\n    local i=$2\n    case $1 in\n";
    for (const auto& [command, repeat] : d.repeats)
        out += "    " + command + ") ((i > " + std::to_string(repeat) +
               ")) && i=" + std::to_string(repeat) + " ;;\n";
    out += "    esac\n    case \"$1 $i\" in\n";
    for (const auto& [key, slot] : d.operands)
        out += "    " + Quoted(key) + ") echo " + Quoted(slot) + " ;;\n";
    out += "    *) echo nothing ;;\n    esac\n}\n";
    return out;
}

std::string FishData(const Data& d) {
    std::string out = "set -g __vendu_commands " + d.commands + "\n\n";
    out += "function __vendu_options\n    switch \"$argv[1]\"\n";
    for (const auto& [command, options] : d.options)
        out += "        case " + Quoted(command) + "\n            echo " + options + "\n";
    out += "    end\nend\n\n";
    out += "# COMMAND OPTION: what its value is; status 1: it takes none, 2: only after \"=\".\n"
           "function __vendu_value\n    switch \"$argv[1] $argv[2]\"\n";
    for (const auto& [key, slot] : d.values) {
        bool optional = false;
        for (const std::string& o : d.optionalValues)
            optional = optional || o == key;
        out += "        case " + Quoted(key) + "\n            echo " + slot + "\n" +
               (optional ? "            return 2\n" : "");
    }
    out += "        case '*'\n            return 1\n    end\nend\n\n";
    out += "function __vendu_operand\n    set -l i $argv[2]\n    switch \"$argv[1]\"\n";
    for (const auto& [command, repeat] : d.repeats)
        out += "        case " + command + "\n            test $i -gt " + std::to_string(repeat) +
               "; and set i " + std::to_string(repeat) + "\n";
    out += "    end\n    switch \"$argv[1] $i\"\n";
    for (const auto& [key, slot] : d.operands)
        out += "        case " + Quoted(key) + "\n            echo " + slot + "\n";
    out += "        case '*'\n            echo nothing\n    end\nend\n";
    return out;
}

} // namespace

// The walks over the words, one per shell (CompletionWalks.cpp).
extern const char* const kShellWalk;
extern const char* const kBashDriver;
extern const char* const kZshDriver;
extern const char* const kFishDriver;

WordSlot OptionValueSlot(const OptionSpec& option) {
    if (!option.value)
        return {};
    const std::string value = option.value;
    if (value.find('|') != std::string::npos)
        return {WordSlot::words, Split(value, '|')};
    if (value == "FILE")
        return {WordSlot::files, {"vendu"}};
    if (value == "PATH")
        return {WordSlot::files, {}};
    return {};
}

OperandSlots OperandSlotsOf(const CommandSpec& command) {
    OperandSlots out;
    // The operands come first; a word of options ("--into FILE", "(--question ...") ends them.
    for (const std::string& word : Split(Split(command.operands, '\n')[0], ' ')) {
        if (word.empty() || word[0] == '-' || word[0] == '(' || word[0] == '[')
            break;
        const bool repeats = word.size() > 3 && word.compare(word.size() - 3, 3, "...") == 0;
        out.slots.push_back(OperandSlot(repeats ? word.substr(0, word.size() - 3) : word));
        if (repeats && out.repeat < 0)
            out.repeat = static_cast<int>(out.slots.size()) - 1;
    }
    return out;
}

std::string CompletionScript(Shell shell) {
    const Data data = MakeData();
    switch (shell) {
    case Shell::bash:
        return std::string("# bash completion for vendu, made from its table of commands.\n\n") +
               ShellData(data) + "\n" + kShellWalk + "\n" + kBashDriver;
    case Shell::zsh:
        return std::string("#compdef vendu vendu.exe\n"
                           "# zsh completion for vendu, made from its table of commands.\n\n") +
               ShellData(data) + "\n" + kShellWalk + "\n" + kZshDriver;
    case Shell::fish:
        return std::string("# fish completion for vendu, made from its table of commands.\n\n") +
               FishData(data) + "\n" + kFishDriver;
    }
    return "";
}

} // namespace vendu
