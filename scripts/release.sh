#!/usr/bin/env bash
# Builds the Windows release from scratch and writes to dist/:
#   Vorna-<version>-win64.zip   the portable program: unzip anywhere and start Vorna.exe there
#   Vorna-<version>-setup.exe   the installer
#   SHA256SUMS                  checksums of both
# The version is the CMake project's. Running it again gives the same files.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

build="$root/build/release"
stage="$build/stage"
dist="$root/dist"

if [ -z "${VORNA_SKIP_SETUP:-}" ]; then
    bash scripts/setup.sh
fi

if [ -n "$(git status --porcelain 2>/dev/null)" ]; then
    echo "release: note: the work tree has uncommitted changes; they go into this build" >&2
fi

# A fresh build folder each time, so nothing of an earlier build can leak into the packages.
# Symbols stripped and no link time stamp: the same sources give the same executables.
rm -rf "$build"
cmake -S . -B "$build" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
    -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_EXE_LINKER_FLAGS="-s -Wl,--no-insert-timestamp" \
    -DVORNA_BUILD_TESTS=OFF -DVORNA_BUILD_BENCH=OFF -DVORNA_BUILD_FUZZ=OFF >/dev/null
cmake --build "$build" -j "${VORNA_JOBS:-2}"

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
if ! [[ "$version" =~ ^[0-9]+(\.[0-9]+){1,3}$ ]]; then
    echo "release: cannot read the project version from $build/CMakeCache.txt" >&2
    exit 1
fi
# Version resources hold four numbers.
vi_version="$version"
while [[ "$vi_version" =~ ^[0-9]+(\.[0-9]+){0,2}$ ]]; do
    vi_version="$vi_version.0"
done

find_exe() {
    find "$build" -path "$stage" -prune -o -type f -name "$1" -print | head -n 1
}
vorna_exe=$(find_exe Vorna.exe)
vendu_exe=$(find_exe vendu.exe)
if [ -z "$vorna_exe" ]; then
    echo "release: the build produced no Vorna.exe" >&2
    exit 1
fi

# Texts for Notepad: UTF-8 with a byte-order mark and CR LF line ends.
to_windows_text() {
    printf '\xef\xbb\xbf' >"$2"
    sed -e "s/@VERSION@/$version/g" -e 's/\r$//' -e 's/$/\r/' "$1" >>"$2"
}

rm -rf "$stage"
mkdir -p "$stage"
cp "$vorna_exe" "$stage/Vorna.exe"
[ -n "$vendu_exe" ] && cp "$vendu_exe" "$stage/vendu.exe"
# The example notes keep their bytes (code page 936, CR LF) exactly.
cp examples/super.vendu "$stage/super.vendu"
to_windows_text docs/guide.txt "$stage/GUIDE.txt"
to_windows_text LICENSE "$stage/LICENSE.txt"

# Fixed timestamps, taken from the last commit, make the archives repeatable.
epoch=$(git log -1 --format=%ct 2>/dev/null || echo 946684800)
touch -d "@$epoch" "$stage"/*

files=(Vorna.exe)
[ -f "$stage/vendu.exe" ] && files+=(vendu.exe)
files+=(super.vendu GUIDE.txt LICENSE.txt)

zip_name="Vorna-$version-win64.zip"
setup_name="Vorna-$version-setup.exe"
rm -rf "$dist"
mkdir -p "$dist"
(cd "$stage" && TZ=UTC zip -q -X -D "$dist/$zip_name" "${files[@]}")
makensis -V2 -DVERSION="$version" -DVI_VERSION="$vi_version" -DSTAGE="$stage" \
    -DOUTFILE="$dist/$setup_name" installer/Vorna.nsi
(cd "$dist" && sha256sum "$zip_name" "$setup_name" >SHA256SUMS)

echo "release: version $version"
for f in "$zip_name" "$setup_name" SHA256SUMS; do
    printf 'release: wrote dist/%s (%s bytes)\n' "$f" "$(stat -c %s "$dist/$f")"
done
