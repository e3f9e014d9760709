#!/usr/bin/env bash
# Installs a native build of vendu (by default the native-release preset's) into a new
# prefix and uses what it installed as a user would: the program from bin/, its man page
# through man, its bash completion through bash.
# Usage: bash tests/vendu/install_test.sh [BUILD_DIR]
set -uo pipefail
cd "$(dirname "$0")/../.."
root=$(pwd)
build=${1:-build/native-release}
prefix=$(mktemp -d)
work=$(mktemp -d)
trap 'rm -rf "$prefix" "$work"' EXIT

passed=0
failed=0
check() { # description, command...
    local what="$1"
    shift
    if "$@"; then
        echo "ok    $what"
        passed=$((passed + 1))
    else
        echo "FAIL  $what"
        failed=$((failed + 1))
    fi
}

if ! cmake --install "$build" --prefix "$prefix" >"$work/install.log"; then
    cat "$work/install.log"
    echo "0 passed, 1 failed"
    exit 1
fi
installed=$(cd "$prefix" && find . -type f | LC_ALL=C sort | tr '\n' ' ')
check "installs bin/vendu, its man page and its completions (has: $installed)" \
    test "$installed" = "./bin/vendu ./share/bash-completion/completions/vendu \
./share/fish/vendor_completions.d/vendu.fish ./share/man/man1/vendu.1 ./share/zsh/site-functions/_vendu "

cp examples/super.vendu "$work/"
vendu="$prefix/bin/vendu"
version=$(sed -n 's/^project(Vorna VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
check "the installed vendu says its version $version" test "$("$vendu" -V)" = "vendu $version"
check "the installed vendu searches the example notes" \
    test "$(cd "$work" && "$vendu" search -c super.vendu 任务管理器)" = 3

page=$(LC_ALL=C.UTF-8 MANWIDTH=100 man -l "$prefix/share/man/man1/vendu.1" 2>&1)
# A heading too long for the line is filled, and groff spreads the spaces of a filled line
# from the left or from the right by turns.
has_section() { grep -Eq "^   vendu +$1 +\[OPTIONS\]" <<<"$page"; }
headed() { grep -q "^VENDU(1) " <<<"$page" && grep -q "^SYNOPSIS" <<<"$page"; }
check "man -l shows the page VENDU(1) with a synopsis" headed
for command in $("$vendu" --help | sed -n '/^Commands:$/,/^$/p' | awk 'NR > 1 && NF { print $1 }'); do
    [ "$command" = help ] && continue
    check "the man page describes $command" has_section "$command"
done
check "the man page keeps the Chinese caption" \
    grep -q "【KEYWORD】共用N条搜索结果" <<<"$page"
check "the man page names NO_COLOR" grep -q "NO_COLOR" <<<"$page"

completed=$(cd "$work" && PATH="$prefix/bin:$PATH" bash -c '
    source "$1"
    COMP_WORDS=(vendu search --count su) COMP_CWORD=3
    _vendu
    printf "%s " "${COMPREPLY[@]}"' bash "$prefix/share/bash-completion/completions/vendu")
check "the installed completion completes a file after search --count" test "$completed" = "super.vendu "
completed=$(cd "$work" && fish -c 'source $argv[1]; complete -C "vendu search "' \
    "$prefix/share/fish/vendor_completions.d/vendu.fish")
check "the installed fish completion offers the notes file" test "$completed" = "super.vendu"
completed=$(zsh -f tests/vendu/zsh_complete.zsh "$prefix/share/zsh/site-functions" "$work" "vendu search ")
check "the installed zsh completion offers the notes file" \
    test "$completed" = "$(printf 'vendu search \tsuper.vendu')"
man_has_examples() { grep -q "^EXAMPLES" <<<"$page" && grep -q "^SEE ALSO" <<<"$page"; }
check "the man page has examples and names the tools beside it" man_has_examples

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
