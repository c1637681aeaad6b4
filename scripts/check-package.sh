#!/usr/bin/env bash
# Builds the Debian package from an already built tree (default: build) and checks it the way an
# operator's machine meets it: the metadata validators and lintian on the package, then the
# package's own files, extracted into a temporary root, run against each other.
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(realpath "${1:-build}")

fail() { echo "check-package: $*" >&2; exit 1; }

rm -f "$build"/tovra_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
deb=$(echo "$build"/tovra_*.deb)
[ -f "$deb" ] || fail "cpack made no package"
echo "check-package: $deb"

work=$(mktemp -d)
sim=
program=
cleanup() {
  for pid in $program $sim; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# Dependencies come from dpkg-shlibdeps: shared-library packages only.
depends=$(dpkg-deb -f "$deb" Depends)
echo "check-package: Depends: $depends"
if tr ',' '\n' <<<"$depends" | grep -Eq -- '-dev( |$)'; then
  fail "a development package among the dependencies"
fi

# Errors and warnings both fail; the package has none today (Packaging.cmake explains any that
# is overridden).
lintian --fail-on error,warning "$deb"

root="$work/root"
dpkg-deb -x "$deb" "$root"
desktop-file-validate "$root"/usr/share/applications/com.marovane.tovra.desktop
appstreamcli validate --no-net "$root"/usr/share/metainfo/com.marovane.tovra.metainfo.xml
icon=$(sed -n 's/^Icon=//p' "$root"/usr/share/applications/com.marovane.tovra.desktop)
for file in 48x48/apps/"$icon".png 256x256/apps/"$icon".png scalable/apps/"$icon".svg; do
  [ -s "$root/usr/share/icons/hicolor/$file" ] || fail "no icon $file"
done
for page in tovra tovra-sim; do
  [ -s "$root/usr/share/man/man1/$page.1.gz" ] || fail "no manual page $page(1)"
done

tovra="$root/usr/bin/tovra"
table=$(find "$build/src" -name versioninfo.txt -print -quit)
expected=$(sed -n 's/^FileVersion=//p' "$table")
version=$("$tovra" --version)
[[ "$version" == *" $expected" ]] || fail "--version printed '$version', the version table says $expected"
help=$("$tovra" --help)
for switch in -log -data -demo -pickport --help --version; do
  grep -q -- "  $switch " <<<"$help" || fail "--help does not list $switch"
done

# The extracted program finds the extracted simulator, connects, and stops the laser on SIGTERM.
lab="$work/lab"
mkdir "$lab"
transcript="$lab/transcript.txt"
"$root"/usr/bin/tovra-sim --link "$lab/com3" --transcript "$transcript" 2>/dev/null &
sim=$!
timeout 10 bash -c "until [ -e '$lab/com3' ]; do sleep 0.1; done" || fail "tovra-sim made no port"
(cd "$lab" && TOVRA_PORT_PATTERN="$lab/com%d" QT_QPA_PLATFORM=offscreen exec "$tovra") &
program=$!
# ";LC:XL 0" is the last line of the start-up, sent once the laser is found and loaded.
timeout 60 bash -c "until grep -q ';LC:XL 0' '$transcript' 2>/dev/null; do sleep 0.2; done" \
  || fail "the program did not connect to the simulator"
kill -TERM "$program"
status=0
timeout 15 tail --pid="$program" -f /dev/null || fail "the program did not end on SIGTERM"
wait "$program" || status=$?
program=
[ "$status" -eq 0 ] || fail "the program ended with status $status"
last=$(grep ' <- ' "$transcript" | tail -n 1)
[[ "$last" == *" <- ;LA:FL 0" ]] || fail "the last line to the laser was '$last', not FL 0"
echo "check-package: installed files valid, lintian clean, $version connects and ends with FL 0"
