#!/usr/bin/env bash
# The installer's window on the Win32 toolkit, seen on a screen: a throw-away Wine prefix and a
# private X server, the real pointer and keyboard (XTEST), and pixels read back from the screen.
#
#   window_test.sh INSTALLER.exe
#
# Without a window manager the X window of the program's top-level window is its client area,
# so client coordinates are X window coordinates. Colours may differ by a few units.
set -euo pipefail

if (($# != 1)) || [[ ! -f $1 ]]; then
  echo "usage: window_test.sh INSTALLER.exe" >&2
  exit 2
fi
installer=$(cd "$(dirname "$1")" && pwd -P)/$(basename "$1")
for tool in Xvfb xdotool import convert compare /usr/lib/wine/wine64 /usr/lib/wine/wineserver; do
  command -v "$tool" >/dev/null || { echo "window_test: $tool is missing" >&2; exit 2; }
done

work=$(mktemp -d "${TMPDIR:-/tmp}/window-test.XXXXXX")
xvfb_pid=""
export WINEPREFIX=$work/prefix WINEDEBUG=-all LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8
export WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe=d"

cleanup() {
  /usr/lib/wine/wineserver -k >/dev/null 2>&1 || true
  /usr/lib/wine/wineserver -w >/dev/null 2>&1 || true
  if [[ -n $xvfb_pid ]]; then
    kill "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' INT TERM HUP

failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}
pass() { echo "ok: $*"; }
# Passes or fails the named check by whether the command succeeds.
check() {
  local what=$1
  shift
  if "$@"; then pass "$what"; else fail "$what"; fi
}

# A display of our own: the server picks a free number and writes it to descriptor 3.
Xvfb -displayfd 3 -nolisten tcp -screen 0 1024x768x24 3>"$work/display" >/dev/null 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do [[ -s $work/display ]] && break; sleep 0.1; done
[[ -s $work/display ]] || { echo "window_test: Xvfb did not start" >&2; exit 1; }
DISPLAY=:$(head -1 "$work/display")
export DISPLAY

# Its complaint about syswow64\rundll32.exe is harmless: there is no 32-bit side.
/usr/lib/wine/wine64 wineboot -i </dev/null >/dev/null 2>&1 || true
/usr/lib/wine/wineserver -w

(
  status=0
  /usr/lib/wine/wine64 "$installer" </dev/null >"$work/program.log" 2>&1 || status=$?
  echo "$status" >"$work/exit"
) &

# Polls a command until it succeeds or the seconds run out.
wait_for() {
  local seconds=$1
  shift
  local deadline=$((SECONDS + seconds))
  until "$@"; do
    ((SECONDS < deadline)) || return 1
    sleep 0.2
  done
}

find_window() {
  window=$(xdotool search --name '^安装向导$' 2>/dev/null | head -1)
  [[ -n $window ]]
}
wait_for 60 find_window || { echo "window_test: the window never appeared" >&2; exit 1; }
eval "$(xdotool getwindowgeometry --shell "$window")"  # X, Y, WIDTH, HEIGHT

# The colour (#RRGGBB) of a client pixel, read from the screen now.
pixel() {
  import -window root -crop "1x1+$((X + $1))+$((Y + $2))" -depth 8 txt:- 2>/dev/null |
    tail -1 | grep -o '#[0-9A-Fa-f]\{6\}'
}
# Whether two colours differ by at most a few units in each channel.
near() {
  local a=${1#\#} b=${2#\#} i
  for i in 0 2 4; do
    local d=$((16#${a:i:2} - 16#${b:i:2}))
    ((d >= -3 && d <= 3)) || return 1
  done
}
is_colour() { near "$(pixel "$1" "$2")" "$3"; }
# Checks that the pixel takes the colour within the seconds.
expect_colour() {
  local what=$1 x=$2 y=$3 colour=$4 seconds=${5:-5}
  if wait_for "$seconds" is_colour "$x" "$y" "$colour"; then
    pass "$what: $colour at $x,$y"
  else
    fail "$what: $(pixel "$x" "$y") at $x,$y, expected $colour"
  fi
}
region() {  # saves a client rectangle W H X Y to a file
  import -window root -crop "$1x$2+$((X + $3))+$((Y + $4))" +repage "$5" 2>/dev/null
}
move() { xdotool mousemove --window "$window" "$1" "$2"; }

# The frame and the caption.
check "caption 安装向导" [ "$(xdotool getwindowname "$window")" == 安装向导 ]
check "client 533x332, is ${WIDTH}x$HEIGHT" [ "${WIDTH}x$HEIGHT" == 533x332 ]

# Points of the layout (client coordinates) and the colours its styles give them.
agree=(12 284)        # inside btnAgree (8..96, 280..312), clear of its caption
agree_centre=(52 296)
install=(20 284)      # inside btnInstall (16..88), right of btnAgree's end
close=(100 284)       # inside btnClose (96..162)
memo=(300 100)
box=(460 294)         # the edit field of edtDisk (440..519, 280..308)
normal=3B5998 hover=4B67A1 pressed=FFFFFF
disabled=9DACCC       # the normal face half way to white

# The countdown: Agree is disabled from the first tick and enabled again at the tenth.
expect_colour "Agree disabled while counting" "${agree[@]}" $disabled 5
expect_colour "Agree enabled after ten ticks" "${agree[@]}" $normal 15

# The panel: lower gradient #DCE6F4 -> #DDE9F7 over rows 166..331, at rows 252 and 327; the
# border #A0AFC3 and the white light edge, both at 200/255, blended over the gradient.
expect_colour "gradient below the memo" 250 252 DDE8F6 1
expect_colour "gradient near the bottom" 250 327 DDE9F7 1
expect_colour "border at 200/255" 1 300 ADBBCE 1
expect_colour "light edge at 200/255" 2 300 F8FAFD 1
for y in 60 150 240; do expect_colour "memo white" 2 $y FFFFFF 1; done

# Hover and press under the real pointer; released off the button, it is no click.
move "${agree_centre[@]}"
expect_colour "Agree hover" "${agree[@]}" $hover 3
xdotool mousedown 1
expect_colour "Agree pressed" "${agree[@]}" $pressed 3
expect_colour "Agree pressed border" 50 280 000000 1
move 300 255
expect_colour "Agree held, pointer off it" "${agree[@]}" $normal 3
xdotool mouseup 1
sleep 1.5
expect_colour "no click when released off Agree" "${agree[@]}" $normal 1
expect_colour "memo still shown" 2 150 FFFFFF 1

# Typing and pasting into the box change nothing: the box looks the same before and after, each
# time with the keyboard focus in the memo (no caret in the box). The clipboard holds the
# agreement, copied from the memo.
move "${memo[@]}" && xdotool click 1
xdotool key ctrl+a ctrl+c
xdotool click 1
sleep 0.5
region 80 29 440 280 "$work/box-before.png"
move "${box[@]}" && xdotool click 1
sleep 0.3
xdotool type --delay 50 'abc:\1'
xdotool key BackSpace Delete ctrl+v shift+Insert
move "${memo[@]}" && xdotool click 1
sleep 0.5
region 80 29 440 280 "$work/box-after.png"
changed=$(compare -metric AE -fuzz 3% "$work/box-before.png" "$work/box-after.png" null: 2>&1 || true)
check "typing leaves the box as it was ($changed pixels changed)" [ "$changed" == 0 ]

# Agree: the memo and Agree go, the red display text shows, Install is uncovered but disabled;
# one tick later Install is enabled and Close shows.
move "${agree_centre[@]}" && xdotool click 1
move 300 255  # off Install, which the pointer would hover
expect_colour "Install uncovered, disabled" "${install[@]}" $disabled 3
expect_colour "display where the memo was" 2 150 $normal 1
region 531 248 2 0 "$work/display.png"
red_text() { convert "$work/display.png" -format %c histogram:info:- | grep -qi '#FF0000'; }
check "red display text" red_text
expect_colour "Install enabled a tick later" "${install[@]}" $normal 3
expect_colour "Close shown" "${close[@]}" $normal 1

# The close box (Alt+F4 to the window under the pointer): the program ends with exit code 0.
move 300 100
xdotool key alt+F4
ended() { [[ -s $work/exit ]]; }
if wait_for 20 ended; then
  status=$(cat "$work/exit")
  check "closed, exit code $status" [ "$status" == 0 ]
else
  fail "the program did not end on the close box"
fi
if xdotool search --name '^安装向导$' >/dev/null 2>&1; then fail "the window is still there"; fi

if ((failures)); then
  echo "$failures check(s) failed" >&2
  exit 1
fi
echo "all window checks passed"
