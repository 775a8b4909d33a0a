#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Checks the Debian package made by `cpack -G DEB` in a build folder, without installing it:
# the package is unpacked into a temporary folder and its programs run from there.
#   packaging/check-package.sh BUILD_DIR
set -euo pipefail

ID=io.github.twinly.Twinly

fail() {
    echo "check-package: FAILED: $*" >&2
    exit 1
}
checks=0
ok() {
    checks=$((checks + 1))
    echo "  ok  $*"
}

[ $# -eq 1 ] || {
    echo "usage: $0 BUILD_DIR" >&2
    exit 2
}
build=$1
[ -f "$build/CMakeCache.txt" ] || fail "$build is not a configured build folder"
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:[A-Z]*=//p' "$build/CMakeCache.txt")
[ -n "$version" ] || fail "no project version in $build/CMakeCache.txt"

shopt -s nullglob
debs=("$build"/twinly_"$version"_*.deb)
shopt -u nullglob
[ ${#debs[@]} -eq 1 ] ||
    fail "expected one package twinly_${version}_*.deb in $build, found ${#debs[@]}"
deb=${debs[0]}
echo "== checking $deb"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
root=$work/root

# The control fields.
field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = twinly ] || fail "package name is '$(field Package)', not twinly"
[ "$(field Version)" = "$version" ] ||
    fail "package version is '$(field Version)', the project's is $version"
arch=$(dpkg --print-architecture)
[ "$(field Architecture)" = "$arch" ] ||
    fail "package architecture is '$(field Architecture)', not $arch"
[ "$(field Section)" = utils ] || fail "section is '$(field Section)', not utils"
[ -n "$(field Maintainer)" ] || fail "no maintainer"
[ -n "$(field Description)" ] || fail "no description"
ok "control fields: twinly $version $arch, section utils"

# Every dependency computed from the binaries must name a package Debian has.
depends=$(field Depends)
[ -n "$depends" ] || fail "no Depends field: dependencies were not computed from the binaries"
# One name a line: alternatives split, version constraints and architecture qualifiers dropped.
names=$(sed 's/([^)]*)//g; s/:[a-z0-9]*//g; s/[[:space:]]//g; s/[,|]/\n/g' <<<"$depends" |
    grep -v '^$' | sort -u)
grep -qx libc6 <<<"$names" || fail "Depends lacks libc6: $depends"
for name in $names; do
    apt-cache show "$name" >/dev/null 2>&1 || fail "dependency '$name' is not a known Debian package"
done
ok "dependencies known to apt: $(tr '\n' ' ' <<<"$names")"

# Nothing but the programs and their data, all owned by root.
listing=$(dpkg-deb -c "$deb")
stray=$(awk '{print $6}' <<<"$listing" | grep -v '/$' |
    grep -Ev '^\./usr/(bin/twinly(-cli)?|share/(applications|metainfo|icons/hicolor|man/man1|bash-completion/completions|twinly|doc/twinly)/.*)$' ||
    true)
[ -z "$stray" ] || fail "unexpected files in the package:"$'\n'"$stray"
notroot=$(awk '$2 != "root/root"' <<<"$listing")
[ -z "$notroot" ] || fail "files not owned by root:"$'\n'"$notroot"
ok "contents: $(grep -vc '/$' <<<"$listing") files, all under /usr, owned by root"

dpkg-deb -x "$deb" "$root"
usr=$root/usr
for f in bin/twinly bin/twinly-cli share/applications/$ID.desktop share/metainfo/$ID.metainfo.xml \
    share/icons/hicolor/scalable/apps/$ID.svg share/man/man1/twinly-cli.1.gz \
    share/man/man1/twinly.1.gz share/bash-completion/completions/twinly-cli \
    share/doc/twinly/copyright share/doc/twinly/changelog.gz share/doc/twinly/README.md; do
    [ -e "$usr/$f" ] || fail "missing /usr/$f"
done
[ -d "$usr/share/twinly" ] || fail "missing the language folder /usr/share/twinly"
for b in twinly twinly-cli; do
    [ -x "$usr/bin/$b" ] || fail "/usr/bin/$b is not executable"
    missing=$(ldd "$usr/bin/$b" | grep 'not found' || true)
    [ -z "$missing" ] || fail "/usr/bin/$b needs libraries that are missing:"$'\n'"$missing"
    if readelf -d "$usr/bin/$b" | grep -Eq 'R(UN)?PATH'; then
        fail "/usr/bin/$b has a run path: $(readelf -d "$usr/bin/$b" | grep -E 'R(UN)?PATH')"
    fi
done
ok "files in place; the programs find their libraries, without run paths"

# Built hardened and stripped, as Debian builds its packages.
for b in twinly twinly-cli; do
    elf=$usr/bin/$b
    readelf -h "$elf" | grep -q 'Type:[[:space:]]*DYN' || fail "/usr/bin/$b is not position-independent"
    readelf -lW "$elf" | grep -q GNU_RELRO || fail "/usr/bin/$b has no read-only relocations"
    readelf -dW "$elf" | grep -Eq 'BIND_NOW|FLAGS.*NOW' || fail "/usr/bin/$b is not bound at start-up"
    symbols=$(readelf --dyn-syms -W "$elf")
    grep -q '__stack_chk_fail' <<<"$symbols" || fail "/usr/bin/$b has no stack protection"
    grep -Eq '__[a-z]+_chk@' <<<"$symbols" || fail "/usr/bin/$b uses no checked functions"
    if readelf -SW "$elf" | grep -q '\.symtab'; then fail "/usr/bin/$b is not stripped"; fi
done
ok "programs: PIE, RELRO, BIND_NOW, stack protector, fortified, stripped"

changelog=$(gzip -dc "$usr/share/doc/twinly/changelog.gz")
head -n 1 <<<"$changelog" | grep -q "^twinly ($version) " ||
    fail "the change log's newest entry is not $version: $(head -n 1 <<<"$changelog")"
ok "change log's newest entry is $version"

if command -v lintian >/dev/null; then
    # Errors and warnings fail; notes of the kinds "info" and "pedantic" do not.
    lintian --tag-display-limit 0 --display-level '>=warning' "$deb" >"$work/lintian.log" 2>&1 ||
        true
    problems=$(grep -E '^[EW]: ' "$work/lintian.log" || true)
    [ -z "$problems" ] || fail "lintian reports:"$'\n'"$problems"
    ok "lintian: no errors, no warnings"
else
    fail "lintian is not installed (setup.sh installs it)"
fi

# PNG sizes straight from the header, so no image tool is needed.
for size in 16 32 48 64 128 256; do
    png=$usr/share/icons/hicolor/${size}x${size}/apps/$ID.png
    [ -f "$png" ] || fail "missing icon ${size}x${size}"
    read -r w h < <(od -An -tu1 -j16 -N8 "$png" |
        awk '{print $1*16777216+$2*65536+$3*256+$4, $5*16777216+$6*65536+$7*256+$8}')
    [ "$w $h" = "$size $size" ] || fail "icon ${size}x${size} is ${w}x${h}"
done
ok "icons: scalable and 16 to 256 pixels"

cli=$usr/bin/twinly-cli
[ "$("$cli" --version)" = "twinly-cli $version" ] ||
    fail "twinly-cli --version says '$("$cli" --version)', the project is $version"
ok "twinly-cli --version: $version"

# A real search: two equal files and one that differs only in content.
tree=$work/tree
mkdir -p "$tree/a" "$tree/b"
printf 'the same text\n' >"$tree/a/one.txt"
printf 'the same text\n' >"$tree/b/two.txt"
printf 'the very text\n' >"$tree/b/three.txt"
out=$("$cli" "$tree") || fail "twinly-cli failed on $tree"
expected=$(printf '%s\n' "$tree/a/one.txt" "$tree/b/two.txt" | sort)
[ "$(grep -v '^$' <<<"$out" | sort)" = "$expected" ] ||
    fail "twinly-cli did not find the pair; it wrote:"$'\n'"$out"
ok "twinly-cli finds the duplicate pair and leaves the different file out"

# The desktop program starts and keeps running without a display.
if HOME=$work/home XDG_CONFIG_HOME=$work/home/.config QT_QPA_PLATFORM=offscreen \
    timeout 5 "$usr/bin/twinly" >"$work/twinly.log" 2>&1; then
    fail "twinly exited at once:"$'\n'"$(cat "$work/twinly.log")"
else
    status=$?
    [ $status -eq 124 ] || fail "twinly stopped with status $status:"$'\n'"$(cat "$work/twinly.log")"
fi
ok "twinly starts (offscreen)"

# Without a display: help and version answer, the program itself says why it cannot start.
env -i "$usr/bin/twinly" --help | grep -q '^Usage: twinly' || fail "twinly --help without a display"
[ "$(env -i "$usr/bin/twinly" --version)" = "twinly $version" ] ||
    fail "twinly --version says '$(env -i "$usr/bin/twinly" --version)', the project is $version"
status=0
env -i HOME="$work/home" "$usr/bin/twinly" >/dev/null 2>"$work/nodisplay.log" || status=$?
[ $status -eq 1 ] && [ "$(wc -l <"$work/nodisplay.log")" -eq 1 ] ||
    fail "twinly without a display: status $status, said:"$'\n'"$(cat "$work/nodisplay.log")"
ok "twinly without a display: --help, --version, and one line with status 1"

# Hints and warnings count too: the entry is ours, and it validates without a word.
validation=$(desktop-file-validate "$usr/share/applications/$ID.desktop" 2>&1) ||
    fail "the desktop entry does not validate:"$'\n'"$validation"
[ -z "$validation" ] || fail "the desktop entry validates with remarks:"$'\n'"$validation"
grep -qx "Icon=$ID" "$usr/share/applications/$ID.desktop" || fail "the desktop entry's icon is not $ID"
ok "desktop entry validates"

metainfo=$usr/share/metainfo/$ID.metainfo.xml
if command -v appstreamcli >/dev/null; then
    appstreamcli validate --no-net "$metainfo" >"$work/appstream.log" 2>&1 ||
        fail "the AppStream file does not validate:"$'\n'"$(cat "$work/appstream.log")"
    ok "AppStream metadata validates"
else
    echo "  --  appstreamcli not found: AppStream metadata not validated"
fi
newest=$(grep -o '<release version="[^"]*"' "$metainfo" | head -n 1 | cut -d'"' -f2)
[ "$newest" = "$version" ] ||
    fail "the AppStream file's newest release is '$newest'; add a release entry for $version"
ok "AppStream newest release is $version"

# Every long option of the help is in the man page and the completion.
help=$("$cli" --help)
options=$(grep -oE -- '--[a-z0-9-]+' <<<"$help" | sort -u)
man=$(gzip -dc "$usr/share/man/man1/twinly-cli.1.gz")
completion=$(cat "$usr/share/bash-completion/completions/twinly-cli")
for o in $options; do
    grep -qF -- "${o//-/\\-}" <<<"$man" || fail "the man page lacks $o"
    grep -qE -- "(^|[ '|])$o([ '|]|$)" <<<"$completion" || fail "the bash completion lacks $o"
done
grep -q "^\.TH TWINLY-CLI 1 .*Twinly $version" <<<"$man" || fail "the man page's version is not $version"
gui_man=$(gzip -dc "$usr/share/man/man1/twinly.1.gz")
grep -q "^\.TH TWINLY 1 .*Twinly $version" <<<"$gui_man" ||
    fail "twinly's man page's version is not $version"
if command -v groff >/dev/null; then
    for page in "$man" "$gui_man"; do
        warnings=$(groff -man -ww -z -Tutf8 <<<"$page" 2>&1)
        [ -z "$warnings" ] || fail "a man page has formatting problems:"$'\n'"$warnings"
    done
fi
ok "man pages; the completion covers the $(wc -w <<<"$options") long options"

if [ -f /usr/share/bash-completion/bash_completion ]; then
    complete_line() { # words...; the last one is completed
        bash -c '
            source /usr/share/bash-completion/bash_completion
            source "$1"
            shift
            COMP_WORDS=("$@")
            COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
            COMP_LINE="$*"
            COMP_POINT=${#COMP_LINE}
            _twinly_cli twinly-cli "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
            printf "%s\n" "${COMPREPLY[@]}" | sort | tr "\n" " "
        ' _ "$usr/share/bash-completion/completions/twinly-cli" "$@"
    }
    got=$(complete_line twinly-cli --form)
    [ "$got" = "--format " ] || fail "completing '--form' gave '$got'"
    got=$(complete_line twinly-cli --format "")
    [ "$got" = "csv json paths sh " ] || fail "completing '--format ' gave '$got'"
    got=$(cd "$tree" && complete_line twinly-cli "")
    [ "$got" = "a b " ] || fail "completing a folder gave '$got'"
    got=$(cd "$tree/b" && complete_line twinly-cli --db t)
    [ "$got" = "three.txt two.txt " ] || fail "completing a database file gave '$got'"
    ok "bash completion: options, formats, folders, files"
else
    echo "  --  bash-completion not found: completion not tried"
fi

echo "== package $(basename "$deb"): $checks checks passed" \
    "($(($(stat -c %s "$deb") / 1024)) KiB, Installed-Size $(field Installed-Size) KiB)"
