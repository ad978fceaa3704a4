#!/usr/bin/env bash
# End-to-end test through the real windows: starts the built pictor on the
# X server of scripts/with_x.sh and works it with xdotool as an experimenter
# and a subject would.
#   1. a whole Make Art session, then a Judge Art session of the same subject;
#   2. a start over the finished session, which is refused.
# Kills at random moments are the crash campaign's (tests/crash).
# Usage: e2e_sessions.sh PATH_TO_PICTOR PATH_TO_PICTOR_DATA
set -euo pipefail
PICTOR=$1
DATA=$2
WORK=$(mktemp -d)
FAILED=0
PID=
RUNS=0
LOGS=$(mktemp -d)
cleanup() {
    if [ -n "$PID" ]; then kill -9 "$PID" 2>/dev/null || true; fi
    chmod -R u+w "$WORK" 2>/dev/null || true
    rm -rf "$WORK"
}
trap cleanup EXIT
for _ in $(seq 50); do xdotool getdisplaygeometry >/dev/null 2>&1 && break; sleep 0.1; done

fail() { echo "FAIL: $*"; FAILED=1; }
check() { local what=$1; shift; if "$@"; then echo "ok: $what"; else fail "$what"; fi; }

# The window with this exact title, once it is on the screen.
window() {
    local w
    for _ in $(seq 100); do
        w=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -1 || true)
        [ -n "$w" ] && { echo "$w"; return 0; }
        sleep 0.1
    done
    return 1
}
visible_count() { xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | wc -l; }
click() { xdotool mousemove --window "$1" "$2" "$3" click 1; sleep "${4:-0.25}"; }
type_into() {
    click "$1" "$2" "$3"
    xdotool windowfocus --sync "$1" 2>/dev/null || true
    xdotool key ctrl+a type "$4"
}

start_pictor() {
    RUNS=$((RUNS + 1))
    "$PICTOR" >"$LOGS/run$RUNS.log" 2>&1 &
    PID=$!
    local title
    title=$(window "Ruz Avevu")
    click "$title" 231 224 0.5            # Begin
}

# setup CODE MODE(make|judge) [TRIALS_DOWN]: fills the setup screen and starts.
setup() {
    local s
    s=$(window "Pictor")
    type_into "$s" 220 121 "$1"           # subject code
    type_into "$s" 264 154 "$WORK/"       # data folder
    if [ "$2" = judge ]; then
        click "$s" 256 46                 # Judge Art option
        click "$s" 296 400 0.8            # Judge Art
    else
        for _ in $(seq "${3:-0}"); do click "$s" 142 88 0.1; done  # fewer trials
        click "$s" 48 400 0.8             # Make Art
    fi
}

# The colour of one pixel of a window, as #RRGGBB, or "gone" once the
# window has closed (the program ends after the last rating).
pixel() {
    local X= Y= WIDTH HEIGHT SCREEN WINDOW
    eval "$(xdotool getwindowgeometry --shell "$1" 2>/dev/null)"
    [ -n "$X" ] || { echo gone; return 0; }
    timeout 5 import -window root -crop "1x1+$((X + $2))+$((Y + $3))" -depth 8 txt:- 2>/dev/null |
        grep -o '#[0-9A-F]\{6\}' | head -1
}
# wait_for WINDOW X Y shown|hidden: until the pixel differs from the
# window's grey background (shown) or is that grey again (hidden).
wait_for() {
    local colour
    for _ in $(seq 150); do
        colour=$(pixel "$1" "$2" "$3")
        if [ "$4" = shown ]; then [ -n "$colour" ] && [ "$colour" != "#808080" ] && [ "$colour" != gone ] && return 0
        else [ "$colour" = "#808080" ] || [ "$colour" = gone ] && return 0; fi
        sleep 0.1
    done
    fail "nothing at $2,$3 became $4"
    return 1
}

# rate WINDOW X1 X2 X3: "Rate How" and one option for each of the three scales.
rate() {
    local w=$1 x
    shift
    for x in "$@"; do
        wait_for "$w" 324 404 shown       # Rate How ...
        click "$w" 324 412 0.05
        wait_for "$w" 15 432 shown        # the first option's indicator
        sleep 0.45                        # options take no clicks for a double-click interval
        click "$w" "$x" 432 0.05
        wait_for "$w" 15 432 hidden
    done
}
make_trial() {
    local m
    m=$(window "Make Art !")
    click "$m" 594 88                     # a setting change: objects + 1
    click "$m" 580 320 0.3                # Make Picture
    rate "$m" "$@"
}
judge_trial() {
    local m
    m=$(window "Judge Art")
    click "$m" 580 284 0.3                # View Picture
    rate "$m" "$@"
}
# Waits up to 10 s for pictor to end; its exit status goes to STATUS.
wait_exit() {
    STATUS=0
    for _ in $(seq 100); do kill -0 "$PID" 2>/dev/null || break; sleep 0.1; done
    wait "$PID" 2>/dev/null || STATUS=$?
    PID=
}
read_only() { [ -z "$(find "$@" -perm /222)" ]; }
# The files parse and their rows say what the subject did (pictor-data
# checks every line, field and line end).
table() { "$DATA" table "$WORK" 2>&1 | tr -d '\r'; }

echo "== A whole Make Art session, then Judge Art"
start_pictor
setup 0007 make 1                         # 2 trials
make_trial 56 336 612
make_trial 612 56 336
wait_exit
check "Make Art ends with status 0" [ "$STATUS" = 0 ]
check "two rows of ratings" [ "$(table | grep -c '^/.*,0007,[12],')" = 2 ]
check "first trial's settings and ratings" grep -q '^7,1,7,6,6,6,1,4,7,' "$WORK/0007res.dat"
check "finished files read-only" read_only "$WORK/0007art.dat" "$WORK/0007res.dat" "$WORK/0007session.json"

start_pictor
setup 0007 judge
judge_trial 612 612 612
judge_trial 56 56 56
wait_exit
check "Judge Art ends with status 0" [ "$STATUS" = 0 ]
check "judge ratings beside the made ones" grep -q '^7,2,.*,1,1,1,[0-9.]*'$'\r''$' "$WORK/0007res2.dat"
check "both sessions finished in every row, with onset lags" \
    [ "$(table | grep -c ',0007,.*,finished,finished,[0-9.]*,[0-9.]*$')" = 2 ]
check "a frame presented for every picture" [ "$(cat "$WORK"/0007timing*.csv | grep -c '^[12],.*,copy,')" = 4 ]
check "res2.dat and the timing files read-only" read_only "$WORK/0007res2.dat" "$WORK"/0007timing*.csv

echo "== A finished session is refused"
start_pictor
setup 0007 make
check "the setup screen shows a message" [ "$(visible_count Pictor)" = 2 ]
check "no main screen opened" [ "$(visible_count 'Make Art !')" = 0 ]
kill -9 "$PID"
wait_exit

[ "$FAILED" = 0 ] && [ -z "${KEEP_LOGS:-}" ] && rm -rf "$LOGS" || { echo "pictor output kept in $LOGS"; tail -n 20 "$LOGS"/*.log; }
exit $FAILED
