#!/usr/bin/env bash
# Tests the packages that scripts/release.sh wrote to dist/: their contents and checksums,
# the DLLs the executables import, and under Wine, in a fresh Windows prefix of its own, the
# unzipped program, a silent install, a second install over it and the uninstall.
set -uo pipefail
cd "$(dirname "$0")/../.."
root=$(pwd)
dist="$root/dist"
work="$root/build/release-test"

failures=0
ok() { echo "ok   $*"; }
fail() {
    echo "FAIL $*"
    failures=$((failures + 1))
}
check() { # description, command...
    local what="$1"
    shift
    if "$@"; then ok "$what"; else fail "$what"; fi
}

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/release/CMakeCache.txt 2>/dev/null)
zip="$dist/Vorna-$version-win64.zip"
setup="$dist/Vorna-$version-setup.exe"
if [ -z "$version" ] || [ ! -f "$zip" ] || [ ! -f "$setup" ]; then
    echo "FAIL no release packages: run scripts/release.sh first"
    exit 1
fi
echo "testing the packages of version $version"

# ---- Contents, without Windows.

check "SHA256SUMS lists the zip and the installer" \
    test "$(awk '{print $2}' "$dist/SHA256SUMS" | sort | tr '\n' ' ')" = \
    "$(printf '%s\n' "$(basename "$setup")" "$(basename "$zip")" | sort | tr '\n' ' ')"
check "SHA256SUMS matches both files" bash -c "cd '$dist' && sha256sum --quiet -c SHA256SUMS"

expected_files="GUIDE.txt LICENSE.txt Vorna.exe super.vendu"
if find build/release -path build/release/stage -prune -o -name vendu.exe -print | grep -q .; then
    expected_files="GUIDE.txt LICENSE.txt Vorna.exe super.vendu vendu.exe"
fi
actual_files=$(unzip -Z1 "$zip" | LC_ALL=C sort | tr '\n' ' ' | sed 's/ $//')
check "the zip holds exactly: $expected_files (has: $actual_files)" \
    test "$actual_files" = "$expected_files"

# Unzipped into a folder whose name has Chinese characters and a space, as a user's might.
unzipped="$work/下载 Vorna-$version"
rm -rf "$work"
mkdir -p "$unzipped" "$work/home"
check "the zip unpacks" unzip -q "$zip" -d "$unzipped"

check "the zip's super.vendu is the example, byte for byte" \
    cmp -s "$unzipped/super.vendu" examples/super.vendu

# Notepad shows a text right when it has a byte-order mark and CR LF line ends.
windows_text() { # file, text it must contain
    local file="$1"
    [ "$(head -c 3 "$file" | od -An -tx1 | tr -d ' ')" = efbbbf ] || return 1
    [ "$(grep -c $'\r$' "$file")" -eq "$(wc -l <"$file")" ] || return 1
    [ "$(tail -c 2 "$file" | od -An -tx1 | tr -d ' ')" = 0d0a ] || return 1
    grep -qF -- "$2" "$file" && ! grep -qF '@VERSION@' "$file"
}
check "GUIDE.txt: UTF-8 with BOM, CR LF, version $version" \
    windows_text "$unzipped/GUIDE.txt" "Lirel (Vorna) $version"
check "GUIDE.txt: Chinese first, English after" \
    test "$(grep -n -m1 '中文说明' "$unzipped/GUIDE.txt" | cut -d: -f1)" -lt \
    "$(grep -n -m1 '^ *English' "$unzipped/GUIDE.txt" | cut -d: -f1)"
check "LICENSE.txt: UTF-8 with BOM, CR LF, MIT" \
    windows_text "$unzipped/LICENSE.txt" "The Vorna developers"

# The executables must run on a bare Windows: only DLLs that every Windows has.
system_dlls=" advapi32.dll bcrypt.dll comctl32.dll comdlg32.dll gdi32.dll imm32.dll kernel32.dll "
system_dlls+="msvcrt.dll ole32.dll oleaut32.dll shell32.dll shlwapi.dll user32.dll uxtheme.dll "
system_dlls+="version.dll "
imports_only_system() {
    local dll ok=0
    for dll in $(x86_64-w64-mingw32-objdump -p "$1" | sed -n 's/^\s*DLL Name: //p' |
        tr 'A-Z' 'a-z'); do
        if [[ "$system_dlls" != *" $dll "* && "$dll" != api-ms-win-* ]]; then
            echo "     $(basename "$1") imports $dll"
            ok=1
        fi
    done
    return $ok
}
for exe in "$unzipped"/*.exe "$setup"; do
    check "$(basename "$exe") imports only system DLLs" imports_only_system "$exe"
done

# ---- Under Wine, in a prefix made for this run: nothing is installed yet, and the installer
# cannot reach the user's real home (Wine links Documents to $HOME unless told otherwise).
cmake --preset windows >/dev/null && cmake --build --preset windows --target release_check ||
    { echo "FAIL the checker does not build"; exit 1; }
checker="$root/build/windows/tests/release/release_check.exe"

export HOME="$work/home"
export WINEPREFIX="$work/prefix"
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
unset XDG_CONFIG_HOME XDG_DATA_HOME
source scripts/wine-env.sh
vorna_ensure_display || exit 1
trap vorna_stop_wine EXIT
vorna_start_wine
for folder in "$WINEPREFIX"/drive_c/users/*/*; do
    if [ -L "$folder" ]; then
        rm "$folder" && mkdir "$folder"
    fi
done

win() { echo "Z:${1//\//\\}"; }
wine_run() { # description, program, arguments...
    local what="$1"
    shift
    echo "--- $what"
    if "$WINELOADER" "$@"; then ok "$what"; else fail "$what"; fi
}

stamped=("$(win "$unzipped/Vorna.exe")")
[ -f "$unzipped/vendu.exe" ] && stamped+=("$(win "$unzipped/vendu.exe")")
stamped+=("$(win "$setup")")
wine_run "version resources" "$checker" versions "$version" "${stamped[@]}"
wine_run "the unzipped program loads its example" "$checker" portable "$(win "$unzipped")"

wine_run "silent install" "$setup" /S
wine_run "the installation" "$checker" installed "$version" "$(win "$unzipped")" \
    "$(win "$unzipped/super.vendu")"
wine_run "a user changes the notes in Documents" "$checker" edit-notes \
    "$(win "$work/user-notes.vendu")"
wine_run "second silent install over the first" "$setup" /S
wine_run "the installation keeps the user's notes" "$checker" installed "$version" \
    "$(win "$unzipped")" "$(win "$work/user-notes.vendu")"
wine_run "silent uninstall" "$checker" uninstall "$(win "$work/user-notes.vendu")"
wine_run "install again" "$setup" /S
wine_run "uninstall with notes in the program's folder and .vendu taken over" "$checker" \
    uninstall "$(win "$work/user-notes.vendu")" --notes-in-program-folder --file-type-taken-over

vorna_stop_wine
trap - EXIT
echo
if [ "$failures" -eq 0 ]; then
    # A prefix takes hundreds of megabytes; a failed run keeps its own for a look inside.
    rm -rf "$WINEPREFIX"
    echo "release packages: all checks passed"
else
    echo "release packages: $failures check(s) failed"
fi
[ "$failures" -eq 0 ]
