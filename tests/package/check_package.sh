#!/usr/bin/env bash
# Builds the Debian package from a finished build tree, unpacks it into a
# scratch folder with dpkg-deb -x and checks that the unpacked program starts
# and closes normally, keeping its settings beside itself when its folder is
# writable and in $XDG_CONFIG_HOME/quaverly/ when it is not.
# Usage: check_package.sh BUILD_DIR
set -euo pipefail

build=$(cd "$1" && pwd)
scratch=$(mktemp -d)
mounted=""
cleanup() {
  [ -n "$mounted" ] && umount "$mounted" 2>/dev/null || true
  rm -rf "$scratch"
}
trap cleanup EXIT

fail() { echo "FAIL: $*" >&2; exit 1; }

(cd "$build" && cpack --config CPackConfig.cmake -B "$scratch/out" >"$scratch/cpack.log" 2>&1) ||
  { cat "$scratch/cpack.log" >&2; fail "cpack did not build the package"; }
deb=$(ls "$scratch"/out/*.deb 2>/dev/null | head -n 1 || true)
[ -n "$deb" ] || fail "no .deb was written"

depends=$(dpkg-deb -f "$deb" Depends)
for library in libqt6widgets6 libqt6dbus6 libavcodec libcurl libtag libtinyxml2 libpulse libasound2 qt6-qpa-plugins; do
  [[ "$depends" == *"$library"* ]] || fail "Depends lacks $library: $depends"
done

root="$scratch/root"
dpkg-deb -x "$deb" "$root"
for file in usr/bin/quaverly usr/lib/quaverly/libquaverly-codecs.so \
            usr/share/applications/quaverly.desktop \
            usr/share/icons/hicolor/scalable/apps/quaverly.svg \
            usr/share/icons/hicolor/48x48/apps/quaverly.png \
            usr/share/icons/hicolor/256x256/apps/quaverly.png; do
  [ -s "$root/$file" ] || fail "the package lacks $file"
done
if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$root/usr/share/applications/quaverly.desktop" ||
    fail "the launcher entry is not valid"
fi

# Starts the unpacked program, waits until it handles SIGTERM (its window
# exists by then), closes it with SIGTERM and expects the normal exit code 1.
run_and_close() {
  local log="$scratch/run.log"
  env QT_QPA_PLATFORM=offscreen QUAVERLY_AUDIO=null QUAVERLY_MESSAGE_LOG="$scratch/messages.log" \
    XDG_CONFIG_HOME="$scratch/config" "$root/usr/bin/quaverly" >"$log" 2>&1 &
  local pid=$!
  local ready=""
  for _ in $(seq 1 300); do
    local caught
    caught=$(awk '/^SigCgt:/ {print $2}' "/proc/$pid/status" 2>/dev/null || true)
    if [ -n "$caught" ] && (( (16#$caught >> 14) & 1 )); then ready=1; break; fi
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  [ -n "$ready" ] || { kill -9 "$pid" 2>/dev/null; cat "$log" >&2; fail "the program did not start"; }
  kill -TERM "$pid"
  local code=0
  wait "$pid" || code=$?
  [ "$code" -eq 1 ] || { cat "$log" >&2; fail "exit code $code after a normal close"; }
}

run_and_close
[ -s "$root/usr/bin/quaverly.ini" ] || fail "no settings beside a writable program folder"
[ ! -e "$scratch/config/quaverly" ] || fail "the configuration folder was used needlessly"

# The same program on a read-only folder, as an installed copy under /usr.
if [ "$(id -u)" -eq 0 ] && mount --bind "$root/usr/bin" "$root/usr/bin" 2>/dev/null; then
  mounted="$root/usr/bin"
  mount -o remount,bind,ro "$root/usr/bin"
  rm -f "$scratch/config/quaverly/quaverly.ini"
  run_and_close
  [ -s "$scratch/config/quaverly/quaverly.ini" ] ||
    fail "no settings in \$XDG_CONFIG_HOME/quaverly/ for a read-only program folder"
else
  echo "read-only program folder not checked (needs root and bind mounts)"
fi
echo "package ok: $(basename "$deb")"
