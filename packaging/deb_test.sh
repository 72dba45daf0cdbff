#!/usr/bin/env bash
# Builds the Debian package into a temporary folder, checks what it holds, and validates its
# menu entry and software-centre data as unpacked there. Nothing is installed on the machine.
# Usage: deb_test.sh CPackConfig.cmake
set -euo pipefail
config=$1
id=io.github.varno.Varno

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

if ! cpack --config "$config" -G DEB -B "$work/out" >"$work/cpack.log" 2>&1; then
  cat "$work/cpack.log" >&2
  fail "cpack did not make the package"
fi
debs=("$work"/out/*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || fail "expected one .deb, found: ${debs[*]}"
deb=${debs[0]}

# Exactly the programs, the link, the entry, the icons and the metainfo: no test, test player,
# benchmark or tool may slip in, and none of these may go missing.
dpkg-deb -c "$deb" | awk '$1 !~ /^d/ {print $6}' | sort >"$work/files"
sort >"$work/expected" <<LIST
./usr/bin/Varno
./usr/lib/varno/Varno
./usr/lib/varno/decoder
./usr/lib/varno/pelkin
./usr/lib/varno/trosk
./usr/share/applications/$id.desktop
./usr/share/metainfo/$id.metainfo.xml
./usr/share/icons/hicolor/scalable/apps/$id.svg
$(for side in 16 22 24 32 48 64 128 256; do echo "./usr/share/icons/hicolor/${side}x${side}/apps/$id.png"; done)
LIST
diff -u "$work/expected" "$work/files" || fail "the package holds other files than expected (+ extra, - missing)"

depends=$(dpkg-deb -f "$deb" Depends)
for wanted in libqt6widgets6 libsndfile1 fonts-ipafont-gothic qt6-translations-l10n libkissfft-float131; do
  [[ "$depends" == *"$wanted"* ]] || fail "Depends lacks $wanted: $depends"
done

root=$work/root
dpkg-deb -x "$deb" "$root"
[ "$(readlink "$root/usr/bin/Varno")" = ../lib/varno/Varno ] || fail "usr/bin/Varno is not a relative link to the window"
[ -x "$root/usr/bin/Varno" ] || fail "usr/bin/Varno does not lead to a program"

entry=$root/usr/share/applications/$id.desktop
report=$(desktop-file-validate "$entry" 2>&1) || fail "desktop-file-validate: $report"
[ -z "$report" ] || fail "desktop-file-validate: $report"
grep -qx 'Exec=Varno %f' "$entry" || fail "the entry's Exec is not 'Varno %f': $(grep '^Exec=' "$entry")"
grep -qx 'MimeType=audio/x-wav;audio/wav;audio/vnd.wave;audio/flac;audio/x-flac;audio/ogg;audio/x-vorbis+ogg;audio/x-opus+ogg;audio/x-flac+ogg;audio/mpeg;audio/x-aiff;audio/aiff;audio/x-aifc;audio/basic;audio/x-voc;' "$entry" || fail "the entry's MimeType is wrong"

# Validates the metainfo and, beyond `validate`, finds the menu entry it names as launchable.
report=$(appstreamcli validate-tree --no-net "$root" 2>&1) || fail "appstreamcli: $report"
if grep -E '^\s*[EWI]:' <<<"$report"; then fail "appstreamcli has remarks"; fi
echo "package ok: $(basename "$deb")"
