// The walks over a command line that the completion scripts make: which command is given,
// how many operands stand before the word completed and whether that word is an option's
// value. They ask the data functions made from the table of commands (Completion.cpp).
namespace vendu {

// bash and zsh read it alike.
extern const char* const kShellWalk =
    R"SH(# WORD...: the words after vendu up to the one completed (the last, maybe empty); prints
# what that word may be: "words WORD...", "files [EXTENSION...]" (and folders) or "nothing".
_vendu_what() {
    local command= index=0 ended= word
    while (($# > 1)); do
        word=$1
        shift
        if [[ -z $ended && $word == -- ]]; then
            ended=1
        elif [[ -z $ended && $word == -?* ]]; then
            if [[ $word != *=* ]] && _vendu_value "$command" "$word" >/dev/null; then
                if (($# == 1)); then
                    _vendu_value "$command" "$word"
                    return
                fi
                shift
            fi
        elif [[ -z $command ]]; then
            command=$word
        else
            index=$((index + 1))
        fi
    done
    word=$1
    if [[ -z $ended && $word == --*=* ]]; then
        _vendu_value "$command" "${word%%=*}"
    elif [[ -z $ended && $word == -* ]]; then
        echo "words $(_vendu_options "$command")"
    elif [[ -z $command ]]; then
        echo "words $_vendu_commands"
    else
        _vendu_operand "$command" "$index"
    fi
}
)SH";

extern const char* const kBashDriver = R"SH(_vendu() {
    local cur=${COMP_WORDS[COMP_CWORD]} words=() i w glue= ext
    # bash cuts "--format=csv" at "=" into three words: they are joined again.
    for ((i = 1; i <= COMP_CWORD; i++)); do
        w=${COMP_WORDS[i]}
        if [[ $w == = && ${#words[@]} -gt 0 ]]; then
            words[-1]+="="
            glue=1
        elif [[ -n $glue ]]; then
            words[-1]+=$w
            glue=
        else
            words+=("$w")
        fi
    done
    # The value of "--format=csv", whether or not bash cut the word at "=".
    [[ $cur == = ]] && cur=
    [[ $cur == --*=* ]] && cur=${cur#*=}
    local what
    read -r -a what < <(_vendu_what "${words[@]}")
    COMPREPLY=()
    case ${what[0]} in
    words)
        mapfile -t COMPREPLY < <(compgen -W "${what[*]:1}" -- "$cur")
        ;;
    files)
        compopt -o filenames 2>/dev/null
        mapfile -t COMPREPLY < <(
            compgen -d -- "$cur"
            ((${#what[@]} == 1)) && compgen -f -- "$cur"
            for ext in "${what[@]:1}"; do compgen -f -X "!*.$ext" -- "$cur"; done
        )
        # Hidden files and folders only when the word asks for them, as for files elsewhere.
        local hidden='/^$/d'
        [[ ${cur##*/} == .* ]] || hidden='/^$/d; /^\./d; /\/\./d'
        mapfile -t COMPREPLY < <(printf '%s\n' "${COMPREPLY[@]}" | LC_ALL=C sort -u | sed "$hidden")
        ;;
    esac
}

complete -F _vendu vendu vendu.exe
)SH";

extern const char* const kZshDriver = R"SH(_vendu() {
    local -a what
    what=(${=$(_vendu_what "${(@)words[2,CURRENT]}")})
    case $what[1] in
    words)
        [[ $PREFIX == -*=* ]] && compset -P '*='
        compadd -- "${(@)what[2,-1]}"
        ;;
    files)
        if (($#what > 1)); then
            # Patterns apart by spaces: a group in parentheses at the end would be taken
            # as glob qualifiers.
            _files -g "${(j: :)${(@)what[2,-1]/#/*.}}"
        else
            _files
        fi
        ;;
    *)
        return 1
        ;;
    esac
}

_vendu "$@"
)SH";

extern const char* const kFishDriver =
    R"SH(# What the word completed may be: "words WORD...", "files [EXTENSION...]" or "nothing".
function __vendu_what
    set -l tokens (commandline -opc)
    set -e tokens[1]
    set -l current (commandline -ct)
    set -l command ''
    set -l index 0
    set -l ended 0
    set -l value 0
    for word in $tokens
        if test $value = 1
            set value 0
        else if test $ended = 0 -a "$word" = --
            set ended 1
        else if test $ended = 0; and string match -q -- '-?*' $word
            if not string match -q -- '*=*' $word; and __vendu_value "$command" $word >/dev/null
                set value 1
            end
        else if test -z "$command"
            set command $word
        else
            set index (math $index + 1)
        end
    end
    if test $value = 1
        __vendu_value "$command" $tokens[-1]
    else if test $ended = 0; and string match -q -- '--*=*' $current
        __vendu_value "$command" (string split -m 1 = -- $current)[1]
    else if test $ended = 0; and string match -q -- '-*' $current
        echo words (__vendu_options "$command")
    else if test -z "$command"
        echo words $__vendu_commands
    else
        __vendu_operand "$command" $index
    end
end

function __vendu_complete
    set -l what (string split ' ' -- (__vendu_what))
    set -l current (commandline -ct)
    set -l kind $what[1]
    set -e what[1]
    switch "$kind"
        case words
            # A value after "=" keeps the option before it.
            set -l prefix (string match -r -- '^--[^=]*=' $current)
            printf "$prefix%s\n" $what
        case files
            set -l paths (string replace -r '\t.*' '' -- (__fish_complete_path $current))
            if test (count $what) -eq 0
                printf '%s\n' $paths
            else
                begin
                    string match -- '*/' $paths
                    for extension in $what
                        string match -- "*.$extension" $paths
                    end
                end | sort -u
            end
    end
end

complete -c vendu -f -a '(__vendu_complete)'
complete -c vendu.exe -f -a '(__vendu_complete)'
)SH";

} // namespace vendu
