# Bash completion for vendu. The commands, their options and the values an option offers
# are read from vendu's own help, so they are always those of the vendu being completed.

# The words between two headings of a help text: "Commands:" or "Options:".
_vendu_section() {
    sed -n "/^$1:\$/,/^\$/p"
}

_vendu() {
    local vendu=${COMP_WORDS[0]} cur=${COMP_WORDS[COMP_CWORD]} prev=""
    ((COMP_CWORD > 0)) && prev=${COMP_WORDS[COMP_CWORD - 1]}
    COMPREPLY=()

    # The command: the first word after vendu that is no option.
    local command="" i
    for ((i = 1; i < COMP_CWORD; i++)); do
        if [[ ${COMP_WORDS[i]} != -* ]]; then
            command=${COMP_WORDS[i]}
            break
        fi
    done
    local commands
    commands=$("$vendu" --help 2>/dev/null | _vendu_section Commands | awk 'NR > 1 && NF { print $1 }')
    if [[ -z $command || ($command == help && $prev == help) ]]; then
        if [[ $cur == -* && -z $command ]]; then
            mapfile -t COMPREPLY < <(compgen -W "-h --help -V --version" -- "$cur")
        else
            mapfile -t COMPREPLY < <(compgen -W "$commands" -- "$cur")
        fi
        return
    fi

    # The command's options, one a line: "-c --count", "--format=csv|jsonl", "--color[=WHEN]".
    local options
    options=$("$vendu" "$command" --help 2>/dev/null | _vendu_section Options |
        sed -n 's/^ \{2,6\}\(-[^ ,], \)\{0,1\}\(--[^ ]*\).*/\2/p')

    # A value: "--format=<TAB>" (bash splits the word at "="), or the word after "--format".
    local option="" value=$cur
    if [[ $cur == = ]]; then
        option=$prev value=""
    elif [[ $prev == = ]]; then
        option=${COMP_WORDS[COMP_CWORD - 2]}
    elif [[ $prev == --* ]]; then
        option=$(grep -x -- "$prev=[^[]*" <<<"$options")
        option=${option%%=*}
    fi
    if [[ -n $option ]]; then
        local form values
        form=$(grep -m1 -- "^$option\(\[\)\{0,1\}=" <<<"$options")
        values=${form#*=}
        values=${values%]}
        if [[ $values == *"|"* ]]; then
            mapfile -t COMPREPLY < <(compgen -W "${values//|/ }" -- "$value")
        elif [[ $values == FILE || $values == PATH ]]; then
            mapfile -t COMPREPLY < <(compgen -f -- "$value")
        fi
        return
    fi

    if [[ $cur == -* ]]; then
        local names
        names=$(sed 's/\[\{0,1\}=.*//' <<<"$options")
        mapfile -t COMPREPLY < <(compgen -W "$names" -- "$cur")
        return
    fi
    mapfile -t COMPREPLY < <(compgen -f -- "$cur")
}

complete -o filenames -F _vendu vendu vendu.exe
