#!/usr/bin/env bash
# Makes the Debian package of a build tree (again only when the build or the packaged files changed) and
# checks it: every installed file present, Depends computed, the desktop entry and the metainfo valid,
# the unpacked program answering --version.
# Usage: scripts/check_package.sh [BUILD_DIR]   (default build/ci; needs dpkg-dev, file,
#        desktop-file-utils and appstream, which scripts/setup.sh --tests installs)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/ci}
version=$(sed -n 's/^set(CPACK_PACKAGE_VERSION "\(.*\)")$/\1/p' "$build/CPackConfig.cmake")
deb="$build/kinotra_${version}_$(dpkg --print-architecture).deb"

if [[ ! -f $deb || -n $(find "$build/kinotra" "$build/packaging/kinotra.1.gz" "$build/desktop" resources \
    packaging cmake -newer "$deb" -print -quit) ]]; then
    echo "== packaging $deb"
    (cd "$build" && cpack -G DEB >/dev/null)
fi
[[ -f $deb ]] || { echo "check_package: $deb was not made" >&2; exit 1; }

root="$build/package-check"
rm -rf "$root"
dpkg-deb -x "$deb" "$root"
status=0
for file in usr/bin/kinotra usr/share/kinotra/help usr/share/kinotra/screenshots/main-window.png usr/share/icons/hicolor/scalable/apps/kinotra.svg \
    usr/share/applications/kinotra.desktop usr/share/mime/packages/kinotra.xml \
    usr/share/metainfo/org.kinotra.kinotra.metainfo.xml usr/share/man/man1/kinotra.1.gz \
    usr/share/bash-completion/completions/kinotra; do
    [[ -e "$root/$file" ]] || { echo "check_package: the package has no /$file" >&2; status=1; }
done
# The databases are the triggers' work: a cache in the package would overwrite the system's.
if find "$root/usr/share/mime" "$root/usr/share/applications" -name '*cache*' | grep .; then
    echo "check_package: the package carries a database cache" >&2
    status=1
fi
depends=$(dpkg-deb -f "$deb" Depends)
for package in libqt6widgets6 gstreamer1.0-plugins-good gstreamer1.0-libav; do
    [[ $depends == *"$package"* ]] || { echo "check_package: Depends lacks $package: $depends" >&2; status=1; }
done

echo "== desktop-file-validate"
desktop-file-validate "$root/usr/share/applications/kinotra.desktop" || status=1
echo "== appstreamcli validate --no-net"
appstreamcli validate --no-net "$root/usr/share/metainfo/org.kinotra.kinotra.metainfo.xml" || status=1
echo "== the unpacked program"
answer=$("$root/usr/bin/kinotra" --version) || status=1
echo "$answer"
[[ $answer == "Kinotra $version" ]] || { echo "check_package: --version says '$answer'" >&2; status=1; }
exit $status
