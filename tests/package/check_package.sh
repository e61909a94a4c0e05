#!/bin/sh
# Builds the Debian package from a configured and built tree, unpacks it into a temporary
# folder and uses it from there, as a user would after installing it:
#   check_package.sh CPACK BUILD_DIR VERSION
# Checks the control data (name, version, dependencies), that every file is in its place and
# nothing lies outside /usr, that the unpacked tarvex-batch prints its help and runs the
# packaged example data, the desktop entry (desktop-file-validate, when installed) and the
# manual page (groff without a warning, every option of --help in it).
set -eu
cpack=$1
build=$2
version=$3

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

cd "$build"
"$cpack" -G DEB -B "$work/out" >"$work/cpack.log" 2>&1 || { cat "$work/cpack.log" >&2; fail "cpack -G DEB"; }
set -- "$work"/out/*.deb
[ $# -eq 1 ] && [ -f "$1" ] || fail "expected one .deb in the cpack output, found: $*"
deb=$1
echo "package: $(basename "$deb")"

# Control data.
dpkg-deb --info "$deb" >"$work/info"
field() { sed -n "s/^ $1: //p" "$work/info"; }
[ "$(field Package)" = tarvex ] || fail "package name is '$(field Package)'"
[ "$(field Version)" = "$version" ] || fail "version is '$(field Version)', the project's is $version"
depends=$(field Depends)
# The OpenMP runtime is linked into the programs (so that they can set its wait policy before
# it starts) and needs no package of its own.
for lib in libqt6widgets6 libqt6printsupport6 libqt6svg6 libstdc++6 libc6 qt6-qpa-plugins; do
    printf '%s\n' "$depends" | tr ',' '\n' | grep -q "^ *$lib\( \|$\)" || fail "Depends lacks $lib: $depends"
done

# Contents: everything under /usr, the expected files in place.
dpkg-deb --contents "$deb" >"$work/contents"
outside=$(awk '{print $6}' "$work/contents" | grep -v '^\./usr/' | grep -v '^\./$' || true)
[ -z "$outside" ] || fail "files outside /usr: $outside"
dpkg-deb -x "$deb" "$work/root"
root=$work/root
for f in usr/bin/tarvex usr/bin/tarvex-batch \
         usr/share/applications/tarvex.desktop \
         usr/share/icons/hicolor/scalable/apps/tarvex.svg \
         usr/share/icons/hicolor/48x48/apps/tarvex.png \
         usr/share/icons/hicolor/128x128/apps/tarvex.png \
         usr/share/icons/hicolor/256x256/apps/tarvex.png \
         usr/share/man/man1/tarvex-batch.1.gz \
         usr/share/doc/tarvex/copyright \
         usr/share/doc/tarvex/examples/README.md \
         usr/share/doc/tarvex/examples/reference.csv \
         usr/share/doc/tarvex/examples/fossil.csv \
         usr/share/doc/tarvex/examples/climate.csv; do
    [ -s "$root/$f" ] || fail "missing or empty in the package: /$f"
done
for p in tarvex tarvex-batch; do
    [ -x "$root/usr/bin/$p" ] || fail "/usr/bin/$p is not executable"
    if ldd "$root/usr/bin/$p" | grep -q 'not found'; then
        ldd "$root/usr/bin/$p" >&2
        fail "/usr/bin/$p needs a library that is not installed"
    fi
done

# The unpacked command-line program: its help, and a run on the packaged example data.
batch=$root/usr/bin/tarvex-batch
"$batch" --help >"$work/help" || fail "tarvex-batch --help exited with status $?"
head -n 1 "$work/help" | grep -q '^Usage: tarvex-batch ' || fail "tarvex-batch --help does not start with its usage"
# Its threads sleep while they wait (spin count 0) unless told otherwise. The Qt libraries of
# its figure library bring a second copy of the runtime, which its loops do not use; that
# copy shows its settings as well.
spin=$(env -u OMP_WAIT_POLICY -u GOMP_SPINCOUNT OMP_DISPLAY_ENV=VERBOSE "$batch" --help 2>&1 >/dev/null | grep GOMP_SPINCOUNT || true)
printf '%s\n' "$spin" | grep -qx "  GOMP_SPINCOUNT = '0'" || fail "the packaged tarvex-batch's threads spin while they wait: $spin"
ex=$root/usr/share/doc/tarvex/examples
status=0
"$batch" --reference "$ex/reference.csv" --fossil "$ex/fossil.csv" --climate "$ex/climate.csv" \
         --error-model --out "$work/results" 2>"$work/run.err" || status=$?
[ $status -eq 0 ] || { cat "$work/run.err" >&2; fail "example run exited with status $status"; }
for f in loading.csv reference-scores.csv fossil-scores.csv eof-sequence.csv climate-curves.csv \
         analogue-quality.csv scatter-1.csv scatter-2.csv scatter-3.csv error-model-summary.csv; do
    [ -s "$work/results/$f" ] || fail "example run wrote no $f"
done

# Desktop entry: valid, and naming the program and icon the package installs.
desktop=$root/usr/share/applications/tarvex.desktop
if command -v desktop-file-validate >/dev/null 2>&1; then
    desktop-file-validate "$desktop" || fail "desktop-file-validate rejects tarvex.desktop"
else
    echo "note: desktop-file-validate not installed, desktop entry checked by hand only"
fi
grep -qx 'Exec=tarvex' "$desktop" || fail "desktop entry does not start /usr/bin/tarvex"
grep -qx 'Icon=tarvex' "$desktop" || fail "desktop entry names another icon"

# Manual page: renders without a warning and describes every option the help lists.
man=$root/usr/share/man/man1/tarvex-batch.1.gz
gzip -t "$man" || fail "tarvex-batch.1.gz is not a valid gzip file"
gzip -dc "$man" >"$work/page.1"
grep -q '^\.TH TARVEX\\-BATCH 1 ' "$work/page.1" || fail "manual page has no title line for section 1"
if command -v groff >/dev/null 2>&1; then
    groff -man -Tutf8 -ww -z "$work/page.1" 2>"$work/groff.err" || fail "groff failed on the manual page"
    [ ! -s "$work/groff.err" ] || { cat "$work/groff.err" >&2; fail "groff warns about the manual page"; }
else
    echo "note: groff not installed, manual page not rendered"
fi
options=$(grep -o '^  --[a-z-]*' "$work/help" | sed 's/^ *//')
[ -n "$options" ] || fail "no options found in --help"
for o in $options; do
    roff=$(printf '%s' "$o" | sed 's/-/\\\\-/g')
    grep -q "^\\\\fB$roff\\\\fR" "$work/page.1" || fail "manual page has no entry for $o"
done

echo "package checked: $(wc -l <"$work/contents") entries, $(printf '%s\n' "$options" | wc -l) options in the manual page"
