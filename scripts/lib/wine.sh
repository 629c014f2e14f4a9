# Shared by the scripts that run Brellow for Windows under Wine; sourced, not run.
#
#   wine_prefix_create            a new, throw-away Wine prefix in WINEPREFIX, set up as a
#                                 Windows machine has it (see below); start the display
#                                 first when windows are to be shown
#   wine_prefix_remove            ends its programs and removes it
#   virtual_display_start         an Xvfb of its own in DISPLAY
#   virtual_display_stop

export WINEDEBUG=-all
# No Mono or Gecko download prompts, and no desktop entries written into the home folder.
export WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe=d"

wine_prefix_create() {
  WINEPREFIX="$(mktemp -d -t brellow-wine.XXXXXX)"
  export WINEPREFIX
  timeout 300 wine wineboot -i >/dev/null 2>&1
  # Windows keeps Tahoma and MS Sans Serif in C:\Windows\Fonts. Debian's Wine 8 ships its own
  # free versions in the fonts-wine package, in /usr/share/wine/fonts, but neither copies them
  # into a new prefix's Fonts folder nor reads them from where they are: its GDI lists only
  # that folder and fontconfig's, so every Windows program, Qt's font database among them,
  # sees the host's fonts alone. Putting them where Windows has them fixes that for the prefix.
  cp /usr/share/wine/fonts/*.ttf /usr/share/wine/fonts/*.fon "$WINEPREFIX/drive_c/windows/Fonts/"
  # The system information tool's path, as Windows registers it: Wine has msinfo32.exe but
  # not this value.
  wine reg add 'HKLM\SOFTWARE\Microsoft\Shared Tools\MSINFO' /v PATH /t REG_SZ \
    /d 'C:\windows\system32\msinfo32.exe' /f >/dev/null 2>&1
}

wine_prefix_remove() {
  [ -n "${WINEPREFIX:-}" ] || return 0
  wineserver -k >/dev/null 2>&1 || true
  case "$WINEPREFIX" in
    */brellow-wine.*) rm -rf "$WINEPREFIX" ;;
  esac
}

virtual_display_start() {
  local number
  for _ in 1 2 3 4 5; do
    number=$((100 + RANDOM % 800))
    [ -e "/tmp/.X$number-lock" ] && continue
    Xvfb ":$number" -screen 0 "${1:-1024x768x24}" -nolisten tcp >/dev/null 2>&1 &
    virtual_display_pid=$!
    export DISPLAY=":$number"
    for _ in $(seq 100); do
      xdpyinfo >/dev/null 2>&1 && return 0
      kill -0 "$virtual_display_pid" 2>/dev/null || break
      sleep 0.05
    done
  done
  echo "no virtual display could be started" >&2
  return 1
}

virtual_display_stop() {
  [ -z "${virtual_display_pid:-}" ] || kill "$virtual_display_pid" 2>/dev/null || true
  virtual_display_pid=
}
