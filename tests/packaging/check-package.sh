#!/bin/sh
# Builds the Debian package in the build folder with CPack and checks it as a user would get
# it: its contents, the desktop entry and metainfo validators, the MIME package, and the
# programs run from the package unpacked into a scratch folder, away from the build.
# Usage: sh check-package.sh BUILD_DIR VERSION
set -eu
build=$1
version=$2
deb="$build/torvane_${version}_$(dpkg --print-architecture).deb"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
fail() {
  echo "check-package: $*" >&2
  exit 1
}
for tool in cpack dpkg-deb dpkg-shlibdeps file readelf desktop-file-validate appstreamcli \
  update-mime-database; do
  command -v "$tool" >/dev/null || fail "$tool is missing (sh scripts/install-deps.sh installs it)"
done

rm -f "$deb"
(cd "$build" && cpack -G DEB >"$scratch/cpack.log" 2>&1) || { cat "$scratch/cpack.log"; fail "cpack failed"; }
[ -f "$deb" ] || fail "no $deb"

dpkg-deb -c "$deb" | awk '{print $6}' >"$scratch/contents"
for path in \
  ./usr/bin/torvane ./usr/bin/torvane-cli \
  ./usr/share/applications/org.torvane.Torvane.desktop \
  ./usr/share/mime/packages/org.torvane.Torvane.xml \
  ./usr/share/icons/hicolor/scalable/apps/org.torvane.Torvane.svg \
  ./usr/share/icons/hicolor/48x48/apps/org.torvane.Torvane.png \
  ./usr/share/icons/hicolor/256x256/apps/org.torvane.Torvane.png \
  ./usr/share/metainfo/org.torvane.Torvane.metainfo.xml \
  ./usr/share/man/man1/torvane.1.gz ./usr/share/man/man1/torvane-cli.1.gz \
  ./usr/share/torvane/demo/demo.tvp; do
  grep -qxF "$path" "$scratch/contents" || fail "the package lacks $path"
done
[ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "package version is not $version"
[ "$(dpkg-deb -f "$deb" Section)" = science ] || fail "package section is not science"
depends=$(dpkg-deb -f "$deb" Depends)
for dependency in libqt6widgets6 fonts-ipafont-gothic qt6-translations-l10n; do
  echo "$depends" | grep -q "$dependency" || fail "Depends lacks $dependency: $depends"
done

root="$scratch/root"
dpkg -x "$deb" "$root"
share="$root/usr/share"
desktop-file-validate "$share/applications/org.torvane.Torvane.desktop" ||
  fail "desktop-file-validate failed"
appstreamcli validate --no-net "$share/metainfo/org.torvane.Torvane.metainfo.xml" ||
  fail "appstreamcli validate failed"
update-mime-database "$share/mime"
grep -qx 'application/x-torvane-project:\*\.tvp' "$share/mime/globs" ||
  fail "the MIME package does not map *.tvp"
grep -qx 'application/x-torvane-grid:\*\.tvd' "$share/mime/globs" ||
  fail "the MIME package does not map *.tvd"
for page in torvane torvane-cli; do
  gzip -t "$share/man/man1/$page.1.gz" || fail "$page.1.gz is damaged"
done

# The programs as installed: no display, no build folder on their search paths.
cd "$scratch"
cli="$root/usr/bin/torvane-cli"
[ "$(env -u DISPLAY "$cli" --version)" = "torvane-cli $version" ] || fail "torvane-cli --version"
[ "$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$root/usr/bin/torvane" --version)" = \
  "torvane $version" ] || fail "torvane --version"
for program in "$cli" "$root/usr/bin/torvane"; do
  readelf -d "$program" | grep -qE 'RPATH|RUNPATH' && fail "$program has a library search path"
done
"$cli" info "$share"/torvane/demo/*.xml >info.json || fail "torvane-cli info failed: $(cat info.json)"
grep -q '^{"ok":true,"step":1,"fileCount":4,' info.json || fail "unexpected info: $(cat info.json)"
grep -q '"count":135000,' info.json || fail "unexpected node count: $(cat info.json)"
"$cli" project "$share/torvane/demo/demo.tvp" >project.json ||
  fail "the demo project does not load: $(cat project.json)"
echo "check-package: $deb is complete and runs from $root"
