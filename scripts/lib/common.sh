# Shared by the scripts: where things live, package set-up, and the project's Wine prefixes.
# shellcheck shell=bash

VK_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
# Wine prefixes for tests and tools: outside the source tree, so a clean checkout keeps them warm.
VK_CACHE=${XDG_CACHE_HOME:-$HOME/.cache}/vellumkeep
# The user's own copy of the program and its vault: never inside the source tree.
VK_DATA=${XDG_DATA_HOME:-$HOME/.local/share}/vellumkeep

VK_PACKAGES=(g++ cmake libgtest-dev g++-mingw-w64-i686 wine wine32:i386 xvfb xdotool imagemagick
             x11-utils fonts-dejavu-core fonts-wine zip)
# Wine's AES (CNG, for the encrypted vault) needs the 32-bit GnuTLS, which only comes in by chance.
VK_PACKAGES+=(libgnutls30:i386)

vk_log() { printf '%s\n' "$*" >&2; }

vk_as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

vk_missing_packages() {
  local pkg status missing=()
  for pkg in "$@"; do
    status=$(dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null) || status=""
    [ "$status" = "install ok installed" ] || missing+=("$pkg")
  done
  printf '%s\n' "${missing[@]}"
}

# Installs what is missing of the given packages (default: everything the project needs).
vk_ensure_packages() {
  local wanted=("$@")
  [ ${#wanted[@]} -gt 0 ] || wanted=("${VK_PACKAGES[@]}")
  local missing
  mapfile -t missing < <(vk_missing_packages "${wanted[@]}" | sed '/^$/d')
  [ ${#missing[@]} -eq 0 ] && return 0
  vk_log "Installing: ${missing[*]}"
  if printf '%s\n' "${missing[@]}" | grep -q ':i386$' && ! dpkg --print-foreign-architectures | grep -qx i386; then
    vk_as_root dpkg --add-architecture i386
  fi
  vk_as_root apt-get update -qq
  DEBIAN_FRONTEND=noninteractive vk_as_root apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

vk_wine_env() {
  export WINEARCH=win32 WINEDEBUG=${WINEDEBUG:--all} WINEDLLOVERRIDES="mscoree,mshtml="
}

# Prepares a Wine prefix once: "null" uses Wine's headless driver; "x11" draws on a private X
# server without a window manager (tests, screenshots); "desktop" is for a person's own display.
vk_wine_prefix_init() {
  local prefix=$1 mode=$2
  [ -f "$prefix/.vellumkeep-ready" ] && return 0
  mkdir -p "$(dirname "$prefix")"
  (
    flock 9
    [ -f "$prefix/.vellumkeep-ready" ] && exit 0
    vk_wine_env
    export WINEPREFIX=$prefix
    vk_log "Preparing the Wine prefix $prefix (once, about 15 s)"
    wineboot -i >/dev/null 2>&1
    if [ "$mode" = null ]; then
      wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1
    fi
    # Without a window manager Wine waits 2 s on every show and hide of a managed window.
    if [ "$mode" != desktop ]; then
      wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
    fi
    # Verdana is not free to ship; draw it with DejaVu Sans, which has the same wide, open shapes.
    wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v Verdana /d 'DejaVu Sans' /f >/dev/null 2>&1
    vk_wine_add_marlett "$prefix"
    wineserver -w
    touch "$prefix/.vellumkeep-ready"
  ) 9>"$prefix.lock"
}

vk_wine_prefix() { printf '%s\n' "$VK_CACHE/wine-$1"; }

# Wine draws caption buttons (minimize, maximize, close) with the Marlett font, which it looks for
# in the prefix's own font folder only; without it the buttons show letters. Debian's fonts-wine has it.
vk_wine_add_marlett() {
  local fonts=$1/drive_c/windows/Fonts
  [ -f /usr/share/wine/fonts/marlett.ttf ] && [ -d "$fonts" ] || return 0
  cp -u /usr/share/wine/fonts/marlett.ttf "$fonts/"
}

# Finds a free X display number and starts a private Xvfb on it; sets DISPLAY and VK_XVFB_PID.
vk_start_xvfb() {
  local n=${1:-99} geometry=${2:-1280x800x24} dpi=${3:-96}
  while [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ]; do n=$((n + 1)); done
  Xvfb ":$n" -screen 0 "$geometry" -dpi "$dpi" -nolisten tcp >/dev/null 2>&1 &
  VK_XVFB_PID=$!
  export DISPLAY=":$n"
  local i
  for i in $(seq 50); do
    xdpyinfo >/dev/null 2>&1 && return 0
    sleep 0.1
  done
  vk_log "Xvfb did not start on :$n"
  return 1
}

# Keeps the prefix's wine server running until vk_stop_wine_servers, and starts Wine's helper
# processes now, outside any test run, so that they never hold a test runner's output pipe. A
# server that was already running is left to whoever started it.
VK_STARTED_SERVERS=()
vk_keep_wine_server() {
  local prefix=$1
  if WINEPREFIX=$prefix wineserver -p 2>/dev/null; then VK_STARTED_SERVERS+=("$prefix"); fi
  WINEPREFIX=$prefix wine cmd /c exit >/dev/null 2>&1 </dev/null || true
}
# Wine's desktop process takes the output of the program that first needs the desktop, and lives
# while any program uses the desktop: started by a test, it would keep that test's output open, and
# ctest waiting for it, for as long as tests follow one another. Starts it now, writing nowhere, from
# a program that keeps the desktop in use until this shell ends (the Windows test program's
# --keep-desktop).
vk_keep_desktop() {
  local prefix=$1 program=$2 said fd i
  said=$(mktemp)
  exec {fd}> >(WINEPREFIX=$prefix wine "$program" --keep-desktop >"$said" 2>/dev/null)
  for i in $(seq 300); do
    grep -q ready "$said" && break
    sleep 0.1
  done
  rm -f "$said"
}
vk_stop_wine_servers() {
  local prefix
  for prefix in "${VK_STARTED_SERVERS[@]}"; do WINEPREFIX=$prefix wineserver -k 2>/dev/null || true; done
}

vk_configure_win() {
  cmake -S "$VK_ROOT" -B "$VK_ROOT/build/win" -DCMAKE_TOOLCHAIN_FILE="$VK_ROOT/cmake/mingw-i686.cmake" \
    -DCMAKE_BUILD_TYPE=Release >/dev/null
}
