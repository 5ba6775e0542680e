#!/usr/bin/env bash
# check_install.sh tree BUILD_DIR
#     Installs the build in BUILD_DIR into a scratch prefix and checks it.
# check_install.sh package [SOURCE_DIR]
#     Builds the Debian package (scripts/package), shows its control data and
#     contents, unpacks it into a scratch root, checks that tree and runs
#     lintian on the package.
#
# The check of a tree: every file an installed Pelmora consists of is there
# (the program, its trace library in the install library directory, the
# desktop entry, the icon in every size, the AppStream metainfo, the manual
# page, the shipped translations, the licence or the package's copyright and
# changelog) and no test
# program or other library is; the desktop entry, the metainfo and the manual
# page pass their validators without a warning, and the manual page names
# every option of --help; the installed program runs without a display on the
# virtual card and its trace library, found in the install library directory
# (and only there), writes the trace log, also after the tree has been moved;
# the desktop entry's command opens the wizard, which finds the shipped
# German translation and leaves its language file in the user's config
# directory, and the runs add no file to the tree. The package is also
# installed into the system with dpkg (as root, where no pelmora is
# installed): the menu's command run as root writes nothing beside the
# program, and removing the package leaves none of its files or directories.
# Fails, naming what is wrong, on the first check that does not hold.
set -euo pipefail

fail() {
    echo "check_install: $*" >&2
    exit 1
}

need() {
    for tool in "$@"; do
        command -v "$tool" >/dev/null ||
            fail "$tool is missing (scripts/deps.sh test installs it)"
    done
}

# The value of a variable in a build's CMake cache.
cache_value() {
    sed -n "s/^$2:[A-Z]*=//p" "$1/CMakeCache.txt"
}

readonly APP_ID=org.pelmora.pelmora
readonly ICON_SIZES=(16 22 24 32 48 64 128 256)
source_dir=$(cd "$(dirname "$0")/../.." && pwd)

# expected_files LIBDIR DOCS...: the files of an install, relative to its
# prefix, one a line.
expected_files() {
    local libdir=$1 size translation doc
    shift
    echo bin/pelmora
    echo "$libdir/pelmora/libTrace.so"
    echo "share/applications/$APP_ID.desktop"
    echo "share/metainfo/$APP_ID.metainfo.xml"
    for size in "${ICON_SIZES[@]}"; do
        echo "share/icons/hicolor/${size}x$size/apps/pelmora.png"
    done
    echo share/icons/hicolor/scalable/apps/pelmora.svg
    echo share/man/man1/pelmora.1.gz
    for translation in "$source_dir"/resources/lang/*.INI; do
        [ -e "$translation" ] && echo "share/pelmora/lang/${translation##*/}"
    done
    for doc in "$@"; do
        echo "share/doc/pelmora/$doc"
    done
}

# check_files PREFIX LIBDIR DOCS...
check_files() {
    local prefix=$1 libdir=$2 file size
    shift 2
    while read -r file; do
        [ -f "$prefix/$file" ] || fail "$prefix/$file is missing"
    done < <(expected_files "$libdir" "$@")
    [ -x "$prefix/bin/pelmora" ] || fail "$prefix/bin/pelmora is not executable"
    for size in "${ICON_SIZES[@]}"; do
        file "$prefix/share/icons/hicolor/${size}x$size/apps/pelmora.png" |
            grep -q "PNG image data, $size x $size," ||
            fail "share/icons/hicolor/${size}x$size/apps/pelmora.png is not a $size x $size PNG"
    done
    # Nothing else that runs: no test program, no stand-in library.
    local programs
    programs=$(cd "$prefix" && find . -type f \( -perm -u+x -o -name '*.so*' \) | sed 's|^\./||' | sort)
    [ "$programs" = "$(printf '%s\n' bin/pelmora "$libdir/pelmora/libTrace.so" | sort)" ] ||
        fail "unexpected programs or libraries installed:"$'\n'"$programs"
    # The installed program looks for nothing in the build tree.
    if readelf -d "$prefix/bin/pelmora" | grep -qE 'R(UN)?PATH'; then
        fail "bin/pelmora carries a run path: $(readelf -d "$prefix/bin/pelmora" | grep -E 'R(UN)?PATH')"
    fi
}

# quiet_check WHAT COMMAND...: the command succeeds and prints nothing.
quiet_check() {
    local what=$1 out
    shift
    if ! out=$("$@" 2>&1) || [ -n "$out" ]; then
        fail "$what:"$'\n'"$out"
    fi
}

check_validators() {
    local prefix=$1 out
    quiet_check "desktop-file-validate" desktop-file-validate "$prefix/share/applications/$APP_ID.desktop"
    out=$(appstreamcli validate --no-net --pedantic "$prefix/share/metainfo/$APP_ID.metainfo.xml" 2>&1) ||
        fail "appstreamcli validate:"$'\n'"$out"
    # Success without a single note (error, warning, info or pedantic).
    { [ "$(grep -vc '^$' <<<"$out")" = 1 ] && grep -q "Validation was successful\.$" <<<"$out"; } ||
        fail "appstreamcli validate:"$'\n'"$out"

    local page=$prefix/share/man/man1/pelmora.1.gz
    quiet_check "groff -man -ww" sh -c "gzip -dc '$page' | groff -man -Tutf8 -ww -z"
    # shellcheck disable=SC2016 # expanded by that shell
    quiet_check "man --warnings" sh -c \
        'LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 -Z "$1" >/dev/null' sh "$page"
    local text option
    text=$(gzip -dc "$page")
    for option in $("$prefix/bin/pelmora" --help | grep -oE '^ +(-[a-z], )?--[a-z-]+' | grep -oE -- '--[a-z-]+$'); do
        grep -qF -- "${option//-/\\-}" <<<"$text" || fail "the manual page does not name $option"
    done
    ! grep -qE '@[A-Z_]+@' <<<"$text" || fail "the manual page has unfilled places: $(grep -oE '@[A-Z_]+@' <<<"$text")"
}

# run_installed PREFIX: the trace log the installed program writes with a
# report on the virtual card ("" when it writes none).
run_installed() {
    local prefix=$1 runtime
    runtime=$(mktemp -d "$scratch/runtime.XXXXXX")
    chmod 0700 "$runtime"
    env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR="$runtime" \
        XDG_CONFIG_HOME="$scratch/config" PELMORA_REGISTRY="$scratch/registry.reg" LD_LIBRARY_PATH= \
        "$prefix/bin/pelmora" --sound=virtual --report >"$scratch/report.txt" 2>&1 ||
        fail "$prefix/bin/pelmora --sound=virtual --report failed:"$'\n'"$(cat "$scratch/report.txt")"
    cat "$runtime/pelmora/PelmoraTrace.log" 2>/dev/null || true
}

check_trace_library() {
    local prefix=$1 libdir=$2 log moved
    log=$(run_installed "$prefix")
    grep -q "Pelmora $version" <<<"$log" ||
        fail "the installed program wrote no trace log: its trace library was not found in $libdir/pelmora"
    # The library is the one of the install library directory: without it
    # there is no trace.
    mv "$prefix/$libdir/pelmora/libTrace.so" "$scratch/libTrace.so"
    log=$(run_installed "$prefix")
    mv "$scratch/libTrace.so" "$prefix/$libdir/pelmora/libTrace.so"
    [ -z "$log" ] || fail "a trace log was written without $libdir/pelmora/libTrace.so"
    # The installed tree can be moved as a whole.
    moved="$scratch/moved"
    mv "$prefix" "$moved"
    log=$(run_installed "$moved")
    mv "$moved" "$prefix"
    grep -q "Pelmora $version" <<<"$log" ||
        fail "moved elsewhere, the installed program no longer finds its trace library"
}

# check_menu_start PREFIX: the desktop entry's command, found on the PATH as
# the menu finds it, opens the wizard (offscreen, on the virtual card), which
# is still up after a few seconds, in German from the shipped translation.
check_menu_start() {
    local prefix=$1 command runtime status=0 log
    command=$(sed -n 's/^Exec=//p' "$prefix/share/applications/$APP_ID.desktop")
    runtime=$(mktemp -d "$scratch/runtime.XXXXXX")
    chmod 0700 "$runtime"
    # shellcheck disable=SC2086 # the entry's command is words
    env -u DISPLAY -u WAYLAND_DISPLAY -u LC_ALL -u LC_MESSAGES PATH="$prefix/bin:$PATH" \
        QT_QPA_PLATFORM=offscreen LANGUAGE=de LANG=de_DE.UTF-8 XDG_RUNTIME_DIR="$runtime" \
        XDG_CONFIG_HOME="$scratch/config" PELMORA_REGISTRY="$scratch/registry.reg" \
        timeout 8 $command --sound=virtual >"$scratch/wizard.txt" 2>&1 || status=$?
    [ "$status" = 124 ] ||
        fail "the menu's command \"$command\" ended (status $status) instead of showing the wizard:"$'\n'"$(cat "$scratch/wizard.txt")"
    if [ -e "$source_dir/resources/lang/de.INI" ]; then
        log=$(cat "$runtime/pelmora/PelmoraTrace.log" 2>/dev/null || true)
        grep -qE "Translation .*/pelmora/lang/de\.INI$" <<<"$log" ||
            fail "the installed wizard did not find its German translation:"$'\n'"$log"
    fi
    # Its first run left a file to translate in the user's config directory,
    # with its German texts, and nothing beside the program.
    [ ! -e "$prefix/bin/pelmora.INI" ] || fail "the wizard wrote $prefix/bin/pelmora.INI beside itself"
    if [ -e "$source_dir/resources/lang/de.INI" ]; then
        head -n 1 "$scratch/config/pelmora/pelmora.INI" 2>/dev/null | grep -q "texts in de, check " ||
            fail "the wizard left no German language file in \$XDG_CONFIG_HOME/pelmora/pelmora.INI"
    fi
}

# check_nothing_added PREFIX LIBDIR DOCS...: the tree holds the files of an
# install and nothing else, after the runs above.
check_nothing_added() {
    local prefix=$1 libdir=$2 added
    shift 2
    added=$(comm -13 <(expected_files "$libdir" "$@" | sort) <(cd "$prefix" && find . -type f | sed 's|^\./||' | sort))
    [ -z "$added" ] || fail "running the installed program added files to $prefix:"$'\n'"$added"
}

check_tree() {
    local prefix=$1 libdir=$2
    shift 2
    check_files "$prefix" "$libdir" "$@"
    version=$("$prefix/bin/pelmora" --version | sed -n 's/^pelmora //p')
    [ -n "$version" ] || fail "$prefix/bin/pelmora --version names no version"
    check_validators "$prefix"
    check_trace_library "$prefix" "$libdir"
    check_menu_start "$prefix"
    check_nothing_added "$prefix" "$libdir" "$@"
}

# check_system_install DEB: installed into the system by dpkg, the menu's
# command run as root (his config directory in the scratch directory) writes
# nothing beside the program or into the package's directories, and
# removing the package leaves nothing of it. Only as root, and only where
# the system has no pelmora of its own, which it would replace.
check_system_install() {
    local deb=$1 owned file status=0 runtime stray
    if [ "$(id -u)" != 0 ]; then
        echo "check_install: not root: the package is not installed into the system"
        return
    fi
    if dpkg-query -W -f='${db:Status-Status}\n' pelmora 2>/dev/null | grep -qvE '^(not-installed|config-files)$'; then
        echo "check_install: pelmora is installed on this system: the package is not installed over it"
        return
    fi
    system_install=1
    dpkg -i "$deb" >"$scratch/dpkg.txt" 2>&1 || fail "dpkg -i $(basename "$deb"):"$'\n'"$(cat "$scratch/dpkg.txt")"
    owned=$(dpkg-query -L pelmora)
    runtime=$(mktemp -d "$scratch/runtime.XXXXXX")
    chmod 0700 "$runtime"
    mkdir -p "$scratch/root-home"
    env -u DISPLAY -u WAYLAND_DISPLAY -u LC_ALL -u LC_MESSAGES -u XDG_CONFIG_HOME \
        HOME="$scratch/root-home" QT_QPA_PLATFORM=offscreen LANGUAGE=de XDG_RUNTIME_DIR="$runtime" \
        PELMORA_REGISTRY="$scratch/registry.reg" \
        timeout 5 /usr/bin/pelmora --sound=virtual >"$scratch/wizard.txt" 2>&1 || status=$?
    [ "$status" = 124 ] ||
        fail "/usr/bin/pelmora run as root ended (status $status):"$'\n'"$(cat "$scratch/wizard.txt")"
    [ -f "$scratch/root-home/.config/pelmora/pelmora.INI" ] ||
        fail "/usr/bin/pelmora run as root left no language file in his config directory"
    # Nothing beside the program nor in the package's own directories but
    # its files.
    stray=$(comm -13 <(sort <<<"$owned") <({
        find /usr/bin -maxdepth 1 -name 'pelmora*'
        grep -E '/pelmora$' <<<"$owned" | while read -r file; do [ ! -d "$file" ] || find "$file"; done
    } | sort -u))
    [ -z "$stray" ] || fail "/usr/bin/pelmora run as root wrote into the system:"$'\n'"$stray"
    dpkg -r pelmora >"$scratch/dpkg.txt" 2>&1 || fail "dpkg -r pelmora:"$'\n'"$(cat "$scratch/dpkg.txt")"
    system_install=
    # What is left of the package: its files, and the directories of its own.
    stray=$({
        find /usr/bin -maxdepth 1 -name 'pelmora*'
        while read -r file; do
            if [ -f "$file" ] || { [ -d "$file" ] && [[ $file == */pelmora ]]; }; then echo "$file"; fi
        done <<<"$owned"
    } | sort -u)
    [ -z "$stray" ] || fail "removing the package left:"$'\n'"$stray"
}

mode=${1:-}
case "$mode" in
tree)
    [ $# = 2 ] || fail "usage: $0 tree BUILD_DIR"
    build_dir=$(cd "$2" && pwd)
    ;;
package)
    root=$(cd "${2:-$source_dir}" && pwd)
    build_dir=$root/build-package
    ;;
*)
    fail "usage: $0 tree BUILD_DIR | package [SOURCE_DIR]"
    ;;
esac
need desktop-file-validate appstreamcli groff man file readelf gzip
scratch=$(mktemp -d "${TMPDIR:-/tmp}/pelmora-install-check.XXXXXX")
system_install=
# A check that failed with the package installed into the system removes it.
trap '[ -z "$system_install" ] || dpkg -r pelmora >/dev/null 2>&1; rm -rf "$scratch"' EXIT

if [ "$mode" = tree ]; then
    prefix=$scratch/prefix
    cmake --install "$build_dir" --prefix "$prefix" >/dev/null
    check_tree "$prefix" "$(cache_value "$build_dir" CMAKE_INSTALL_LIBDIR)" LICENSE
    echo "check_install: the install tree is complete"
    exit 0
fi

need dpkg-deb lintian
"$root/scripts/package" >/dev/null
debs=("$build_dir"/pelmora_*.deb)
{ [ ${#debs[@]} = 1 ] && [ -f "${debs[0]}" ]; } || fail "scripts/package made no single pelmora_*.deb"
deb=${debs[0]}
version=$(sed -n 's/^set(CPACK_PACKAGE_VERSION "\(.*\)")$/\1/p' "$build_dir/CPackConfig.cmake")
[ -n "$version" ] || fail "$build_dir/CPackConfig.cmake names no package version"
install_prefix=$(cache_value "$build_dir" CMAKE_INSTALL_PREFIX)
[ "$install_prefix" = /usr ] || fail "the package installs under $install_prefix, not /usr"

echo "== dpkg-deb -I $(basename "$deb")"
dpkg-deb -I "$deb"
control=$(dpkg-deb -f "$deb" Package Version Section Maintainer Depends)
for want in "Package: pelmora" "Version: $version-" "Section: sound" "Maintainer: The Pelmora developers <" \
    "libqt6widgets6" "libasound2" "libpulse0" "libcurl4" "libc6"; do
    grep -qF "$want" <<<"$control" || fail "the package's control data lack \"$want\":"$'\n'"$control"
done
echo "== dpkg-deb --contents $(basename "$deb")"
contents=$(dpkg-deb --contents "$deb")
echo "$contents"
libdir=$(cache_value "$build_dir" CMAKE_INSTALL_LIBDIR)
while read -r file; do
    grep -qE " \./usr/$file\$" <<<"$contents" || fail "the package lacks /usr/$file"
done < <(expected_files "$libdir" copyright changelog.Debian.gz)

# Unpacked into a scratch root, the package is an install tree like any other.
dpkg -x "$deb" "$scratch/root"
check_tree "$scratch/root/usr" "$libdir" copyright changelog.Debian.gz
# The metainfo within its tree: its desktop entry is there too.
{ out=$(appstreamcli validate-tree --no-net --pedantic "$scratch/root" 2>&1) &&
    [ "$(grep -vc '^$' <<<"$out")" = 1 ]; } || fail "appstreamcli validate-tree:"$'\n'"$out"
file "$scratch/root/usr/bin/pelmora" | grep -q ", stripped" || fail "usr/bin/pelmora is not stripped"

check_system_install "$deb"

echo "== lintian $(basename "$deb")"
lintian --fail-on error --tag-display-limit 0 "$deb" || fail "lintian found errors in $(basename "$deb")"
echo "check_install: the package is complete and installs"
