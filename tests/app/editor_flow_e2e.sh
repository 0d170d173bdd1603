#!/usr/bin/env bash
# Drives the built program on an X server as a user would: picks a picture (the file dialogs are
# Qt's own: the path is typed and Enter pressed), converts it, opens the editor, paints the
# top-left pixel transparent, accepts, saves the icon and leaves with 退出.
#
# Usage (inside xvfb-run): editor_flow_e2e.sh ICOGEN PICTURE OUTPUT
# Environment: E2E_FORMAT=dual checks "16×16,32×32" first (the grid then shows 16x16);
#              E2E_SCREENSHOT=path saves the editor window, after a short stroke, to that file.
set -u

icogen=$1
picture=$2
output=$3
pid=

fail() {
    echo "e2e: $*" >&2
    local w
    for w in $(xdotool search --onlyvisible --name '.' 2>/dev/null); do
        echo "e2e: visible window: $(xdotool getwindowname "$w")" >&2
    done
    [ -n "${E2E_FAILSHOT:-}" ] && import -window root "$E2E_FAILSHOT"
    [ -n "$pid" ] && kill "$pid" 2>/dev/null
    exit 3
}

# The first visible window whose title matches, waiting for it to appear.
shown() {
    timeout 30 xdotool search --sync --onlyvisible --name "$1" 2>/dev/null | head -n 1
}

# Whether no visible window's title matches within the given number of seconds.
vanishes() {
    timeout "$2" bash -c "while xdotool search --onlyvisible --name '$1' >/dev/null 2>&1; do :; done"
}

# Waits until no visible window's title matches (bounded).
gone() {
    vanishes "$1" 30 || fail "the window '$1' did not close"
}

# Clicks at a point of a window's client area (there is no window manager, so no frame).
clickIn() {
    local X Y WIDTH HEIGHT SCREEN WINDOW
    eval "$(xdotool getwindowgeometry --shell "$1")"
    xdotool mousemove $((X + $2)) $((Y + $3)) click 1
}

# Types a file path into a file dialog once it has the keyboard focus (there is no window manager
# to give it; the pointer rests on it as well) and confirms it with Enter. While the path is typed,
# the dialog's completer may pop up (a window titled "icogen"); an Enter it takes only closes it,
# so Enter is pressed again until the dialog has gone. Then the pop-up is waited for too: while
# it is open, a click anywhere else only closes it.
confirmDialog() {
    local X Y WIDTH HEIGHT SCREEN WINDOW title=$2
    eval "$(xdotool getwindowgeometry --shell "$1")"
    xdotool mousemove $((X + WIDTH / 2)) $((Y + HEIGHT / 2))
    timeout 30 xdotool windowfocus --sync "$1" || fail "no keyboard focus for '$title'"
    xdotool type --delay 5 "$3"
    local try
    for try in 1 2 3; do
        xdotool key Return
        vanishes "$title" 10 && break
    done
    gone "$title"
    gone '^icogen$'
}

"$icogen" &
pid=$!

main=$(shown '^澄溪ICO图标生成器')
[ -n "$main" ] || fail "the main window did not open"
# Main window controls, client coordinates of their centres.
[ "${E2E_FORMAT:-}" = dual ] && clickIn "$main" 150 198 # 单选框3 "16×16,32×32"
clickIn "$main" 291 36                                  # 选择图片

dialog=$(shown '^Open$')
[ -n "$dialog" ] || fail "no open dialog"
confirmDialog "$dialog" '^Open$' "$picture"

clickIn "$main" 291 65 # 编辑
editor=$(shown '^图标编辑$')
[ -n "$editor" ] || fail "the editor did not open"
# 画板1 starts at 6, 6 with a 1-pixel edge: client point (3, 3) is in the top-left cell.
clickIn "$editor" 10 10

if [ -n "${E2E_SCREENSHOT:-}" ]; then
    # A diagonal stroke of transparent cells, then the window as the user sees it.
    eval "$(xdotool getwindowgeometry --shell "$editor")"
    xdotool mousemove $((X + 7 + 40)) $((Y + 7 + 200)) mousedown 1
    for i in 1 2 3 4 5 6 7 8; do
        xdotool mousemove $((X + 7 + 40 + 16 * i)) $((Y + 7 + 200 - 16 * i))
    done
    xdotool mouseup 1
    xdotool mousemove $((X + 200)) $((Y + 120)) # the cursor over the grid is not captured
    import -window "$editor" "$E2E_SCREENSHOT" || fail "no screenshot"
fi

clickIn "$editor" 303 244 # 确定
gone '^图标编辑$'

clickIn "$main" 291 94 # 保存
dialog=$(shown '^Save As$')
[ -n "$dialog" ] || fail "no save dialog"
confirmDialog "$dialog" '^Save As$' "$output"

clickIn "$main" 291 198 # 退出
wait "$pid"
