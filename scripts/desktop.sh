# Sourced by the scripts that run Corvantile on a private X server. The caller keeps the ids of
# the processes it starts in the array pids and ends them in its exit trap (end_started does).

pids=()
desktop_dir=$(mktemp -d)

# start_xvfb WIDTHxHEIGHT: starts a private X server on a free display and exports DISPLAY.
start_xvfb() {
    exec 3>"$desktop_dir/display"
    Xvfb -displayfd 3 -screen 0 "$1x24" -nolisten tcp >/dev/null 2>&1 &
    pids+=($!)
    for _ in $(seq 100); do [[ -s "$desktop_dir/display" ]] && break; sleep 0.1; done
    exec 3>&-
    export DISPLAY=":$(head -n1 "$desktop_dir/display")"
}

# find_window: waits for Corvantile's window and prints its id.
find_window() {
    local id
    for _ in $(seq 100); do
        id=$(xdotool search --onlyvisible --name "Quenby Corvantile" 2>/dev/null | head -n1)
        [[ -n "$id" ]] && echo "$id" && return
        sleep 0.1
    done
    return 1
}

# end_started: ends every process the script started, by its id, and removes the scratch folder.
end_started() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
    rm -rf "$desktop_dir"
}

# control_place NAME: a control's left, top, width and height in the window's layout pixels,
# from the window's layout table; Form1 gives the window's own place on the screen.
control_place() {
    awk -v want="$1" '
        match($0, /window\{[0-9, ]+\}/) {
            split(substr($0, RSTART, RLENGTH), f, /[{}, ]+/)
            x["Form1"] = f[2]; y["Form1"] = f[3]; w["Form1"] = f[4]; h["Form1"] = f[5]
        }
        match($0, /\{"[A-Za-z0-9]+", "[A-Za-z0-9]*", \{[0-9, ]+\}\}/) {
            entry = substr($0, RSTART, RLENGTH)
            sub(/""/, "\"-\"", entry) # the window itself holds it
            split(entry, f, /[{}", ]+/)
            parent[f[2]] = f[3] == "-" ? "" : f[3]; x[f[2]] = f[4]; y[f[2]] = f[5]; w[f[2]] = f[6]; h[f[2]] = f[7]
        }
        END {
            left = x[want]; top = y[want]
            for (c = parent[want]; c != ""; c = parent[c]) { left += x[c]; top += y[c] }
            print left, top, w[want], h[want]
        }' "$(dirname "${BASH_SOURCE[0]}")/../src/main_window/layout.h"
}
