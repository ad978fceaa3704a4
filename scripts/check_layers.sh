#!/usr/bin/env bash
# Shows which source folders include which, and fails when an include goes
# against the layers or a folder below the widgets includes a Qt Widgets
# header. Usage: scripts/check_layers.sh
set -euo pipefail
cd "$(dirname "$0")/../src"

# What each folder may include besides itself. Read left to right, this is
# platform <- core <- runs <- screens <- app, with the widget helpers and the
# data tool's analysis beside them; there is no way back up, so no cycle.
declare -A allowed=(
    [platform]=""
    [core]="platform"
    [runs]="platform core"
    [analysis]="platform core"
    [widgets]="platform"
    [screens]="platform core runs widgets"
    [app]="platform core runs widgets screens analysis"
)
widget_free="platform core runs analysis"

status=0
declare -A edges=()
for dir in */; do
    dir=${dir%/}
    [ -n "${allowed[$dir]+set}" ] || { echo "unknown folder src/$dir: add it to scripts/check_layers.sh"; status=1; continue; }
    while IFS=: read -r file target; do
        to=${target%%/*}
        [ "$to" = "$dir" ] && continue
        edges["$dir -> $to"]=1
        if [[ " ${allowed[$dir]} " != *" $to "* ]]; then
            echo "layer violation: src/$file includes \"$target\""
            status=1
        fi
    done < <(grep -rHo '#include "[a-z_]*/[^"]*"' "$dir" | sed 's/#include "//; s/"$//')
    if [[ " $widget_free " == *" $dir "* ]] &&
        grep -rnE '#include <(QtWidgets/|Q(Widget|Application|Label|PushButton|ScrollBar|CheckBox|LineEdit|RadioButton|MessageBox|AbstractButton|ButtonGroup|Frame|Style)[A-Za-z]*>)' "$dir"; then
        echo "src/$dir must not include Qt Widgets headers"
        status=1
    fi
done
echo "Includes between folders:"
printf '  %s\n' "${!edges[@]}" | sort
[ "$status" = 0 ] && echo "No include goes against the layers, so the folders form no cycle."
exit "$status"
