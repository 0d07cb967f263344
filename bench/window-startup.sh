#!/usr/bin/env bash
# Time to a loaded, idle window and its resident memory, as a user starts the
# program: `voltrek -d DIR -l FILE` on a virtual screen (software OpenGL, as on
# virtual machines and remote desktops).
#
# For each protocol the program is started under xvfb-run; its CPU time
# (user + system, from /proc/PID/stat) is sampled until it stops growing, and
# the CPU time and VmRSS at that moment are printed. CPU time, not wall time,
# is the figure: it does not depend on how loaded the machine is.
#
# Usage: bench/window-startup.sh [-b BUILD_DIR] [-p PROTOCOL_DIR] [-r RUNS] [-j] [NAME...]
#   NAME: 100k (100 000 ticks x 16 channels), 1m, 10m (1 000 000 and
#   10 000 000 ticks x 16), 255ch (100 000 records of 255 channels, about one
#   record per tick). Default: all four. Protocols are generated once into
#   PROTOCOL_DIR (default BUILD_DIR/window-startup) and kept.
#   RUNS: runs per protocol (default 1); every run is printed.
#   -c: also compare the protocol with a second one of the next day
#   (`voltrek --compare -l A -l B`) and print its ratio to loading the two
#   merged (`-l A -l B`), rows NAME-2 and NAME-cmp.
#   -j: also open each protocol as a project (`voltrek NAME.vtproj`, with a
#   channel hidden, a zoom, cursors and a colour) and print its ratio to the
#   plain load, row NAME-proj.
#   VOLTREK_SHOT=DIR also saves screenshots of both chart tabs of each loaded
#   window there (NAME-chart.png, NAME-charts.png; needs xdotool, imagemagick).
set -euo pipefail

# Sixteen channels as a logger records them: curves, noise, steps and states.
sixteen() {
    local patterns=(sine,50,900,220 ramp,1,0,100 noise,20,5 steps,10,300,5
                    sine,5,3000,12 noise,0,1 states,3,400 sine,1000,120,0)
    local i
    for i in $(seq 1 16); do
        printf -- '--channel C%02d:%d:%s:1:Канал_%d ' "$i" "$i" "${patterns[$(((i - 1) % 8))]}" "$i"
    done
}

# Channels of which about one changes per tick, written on change only.
many() {
    local i
    for i in $(seq 1 255); do
        printf -- '--channel S%03d:%d:states,4,255:0:Состояние_%d ' "$i" "$i" "$i"
    done
}

generate() {
    local name=$1 dir=$protocols/$1
    [ -s "$dir/protocol.log" ] && return
    mkdir -p "$dir"
    echo "generating $name into $dir" >&2
    case $name in
        100k) "$gen" --out "$dir/protocol.log" --log-def "$dir/log.def" --ticks 100000 $(sixteen) ;;
        1m) "$gen" --out "$dir/protocol.log" --log-def "$dir/log.def" --ticks 1000000 $(sixteen) ;;
        10m) "$gen" --out "$dir/protocol.log" --log-def "$dir/log.def" --ticks 10000000 $(sixteen) ;;
        255ch) "$gen" --out "$dir/protocol.log" --log-def "$dir/log.def" --on-change \
                   --ticks 1000000 --records 100000 $(many) ;;
        *) echo "unknown protocol $name" >&2; exit 2 ;;
    esac >/dev/null
}

# The same channels a day later, for a comparison.
second_day() {
    local dir=$protocols/$1 ticks
    [ -s "$dir/protocol2.log" ] && return
    case $1 in
        100k) ticks=100000 ;; 1m) ticks=1000000 ;; 10m) ticks=10000000 ;;
        *) echo "no second day of $1" >&2; exit 2 ;;
    esac
    "$gen" --out "$dir/protocol2.log" --start 2024-03-12T08:00:00 --seed 7 --ticks "$ticks" \
        $(sixteen) >/dev/null
}

# Saves the screen as SHOT-chart.png, then clicks the tab "Графики" (at its
# place on a 1600 x 1000 screen) and saves SHOT-charts.png once the program
# is idle again.
screenshots() {
    local pid=$1 shot=$2 last=-1 ticks state
    import -window root "$shot-chart.png" 2>/dev/null
    xdotool mousemove 265 92 click 1
    while sleep 1; do
        read -r state ticks < <(awk '{print $3, $14 + $15}' "/proc/$pid/stat")
        [ "$state" != R ] && [ "$ticks" = "$last" ] && break
        last=$ticks
    done
    xdotool mousemove 1500 990
    sleep 0.5
    import -window root "$shot-charts.png" 2>/dev/null
    tab_ticks=$((ticks - $3))
}

# Runs inside xvfb-run: starts the program, waits until its CPU time has not
# grown for a second, prints "cpu_s rss_mb hwm_mb wall_s".
measure_inner() {
    local dir=$1 shot=$2 project=${3:-} work tab_ticks=
    work=$(mktemp -d)
    cd "$work" # settings.conf is written into the working directory
    if [ "$project" = merged ]; then
        "$VOLTREK" -d "$dir" -l "$dir/protocol.log" -l "$dir/protocol2.log" >/dev/null 2>&1 &
    elif [ "$project" = compare ]; then
        "$VOLTREK" -d "$dir" --compare -l "$dir/protocol.log" -l "$dir/protocol2.log" \
            >/dev/null 2>&1 &
    elif [ -n "$project" ]; then
        "$VOLTREK" "$project" >/dev/null 2>&1 &
    else
        "$VOLTREK" -d "$dir" -l "$dir/protocol.log" >/dev/null 2>&1 &
    fi
    local pid=$! hz start now state ticks faults last=-1 last_faults=-1 still=0
    hz=$(getconf CLK_TCK)
    start=$(date +%s.%N)
    while kill -0 "$pid" 2>/dev/null; do
        sleep 0.25
        # Fields 14 and 15 of /proc/PID/stat: user and system clock ticks.
        # Field 3 is the state: a runnable process waits for a core, it is
        # not idle, however little CPU time it got on a loaded machine; nor
        # is one waiting for the disk (D), nor one whose pages are still
        # coming from it (field 12, major faults): a protocol not yet in
        # memory costs little CPU while it is read.
        read -r state ticks faults < <(awk '{print $3, $14 + $15, $12}' "/proc/$pid/stat" \
            2>/dev/null) || break
        # Idle: less than 20 ms of CPU over the last second, once it has started.
        if [ "$last" -ge 0 ] && [ "$state" != R ] && [ "$state" != D ] &&
            [ "$faults" = "$last_faults" ] && [ $((ticks - last)) -le $((hz / 50)) ]; then
            still=$((still + 1))
        else
            still=0
            last=$ticks
        fi
        last_faults=$faults
        if [ $still -ge 4 ]; then
            now=$(date +%s.%N)
            local rss hwm
            rss=$(awk '/^VmRSS/ {print $2}' "/proc/$pid/status")
            hwm=$(awk '/^VmHWM/ {print $2}' "/proc/$pid/status")
            [ -n "$shot" ] && screenshots "$pid" "$shot" "$last"
            kill "$pid"
            wait "$pid" 2>/dev/null || true
            rm -rf "$work"
            awk -v t="$last" -v hz="$hz" -v r="$rss" -v h="$hwm" -v s="$start" -v n="$now" \
                -v tab="$tab_ticks" \
                'BEGIN {printf "%.2f %.0f %.0f %.1f %s\n", t / hz, r / 1024, h / 1024, n - s - 1,
                        tab == "" ? "" : sprintf("%.2f", tab / hz)}'
            return
        fi
        [ "$(awk -v s="$start" -v n="$(date +%s.%N)" 'BEGIN {print (n - s > 600)}')" = 1 ] && break
    done
    kill "$pid" 2>/dev/null || true
    rm -rf "$work"
    echo "did not settle"
}

if [ "${1:-}" = --inner ]; then
    shift
    measure_inner "$@"
    exit
fi

# A project of the protocol as a user leaves one: a channel hidden, one
# recoloured, zoomed in on the middle with both cursors there.
write_project() {
    local dir=$1
    cat >"$dir/view.vtproj" <<JSON
{"format": "voltrek-project", "version": 1,
 "logDirectory": {"relative": ".", "absolute": "$dir"},
 "protocols": [{"relative": "protocol.log", "absolute": "$dir/protocol.log"}],
 "channels": {"hidden": ["Канал_2 (C02)"], "colors": {"Канал_1 (C01)": "#ffaa00"}},
 "view": {"position": 400000, "zoom": 0.5, "line": 400200, "reference": 400100},
 "window": {"tab": 1}}
JSON
}

build=build/test
protocols=
runs=1
projects=0
compare=0
while getopts "b:p:r:jc" option; do
    case $option in
        b) build=$OPTARG ;;
        p) protocols=$OPTARG ;;
        r) runs=$OPTARG ;;
        j) projects=1 ;;
        c) compare=1 ;;
        *) sed -n '2,20p' "$0" >&2; exit 2 ;;
    esac
done
shift $((OPTIND - 1))
names=("$@")
[ ${#names[@]} -gt 0 ] || names=(100k 1m 10m 255ch)

build=$(realpath "$build")
voltrek=$build/app/voltrek
gen=$build/tools/voltrek-gen/voltrek-gen
for tool in "$voltrek" "$gen"; do
    [ -x "$tool" ] || { echo "missing $tool (build the targets voltrek and voltrek-gen)" >&2; exit 2; }
done
command -v xvfb-run >/dev/null || { echo "xvfb-run is missing (apt-get install -y xvfb xauth)" >&2; exit 2; }
protocols=$(realpath -m "${protocols:-$build/window-startup}")

printf '# %s, load average %s, %s cores\n' "$(date -u '+%F %T UTC')" \
    "$(cut -d' ' -f1-3 /proc/loadavg)" "$(nproc)"
printf '%-6s %9s %9s %9s %8s %9s\n' protocol "cpu s" "rss MB" "peak MB" "wall s" "tab cpu s"
for name in "${names[@]}"; do
    generate "$name"
    for run in $(seq 1 "$runs"); do
        shot=
        [ -n "${VOLTREK_SHOT:-}" ] && mkdir -p "$VOLTREK_SHOT" && shot=$(realpath "$VOLTREK_SHOT")/$name
        result=$(VOLTREK=$voltrek xvfb-run -a -s "-screen 0 1600x1000x24" \
                     bash "$(realpath "$0")" --inner "$protocols/$name" "$shot")
        read -r cpu rss hwm wall tab <<<"$result"
        printf '%-6s %9s %9s %9s %8s %9s\n' "$name" "$cpu" "$rss" "$hwm" "$wall" "$tab"
        if [ "$compare" = 1 ]; then
            second_day "$name"
            result=$(VOLTREK=$voltrek xvfb-run -a -s "-screen 0 1600x1000x24" \
                         bash "$(realpath "$0")" --inner "$protocols/$name" "" merged)
            read -r mcpu rss hwm wall tab <<<"$result"
            printf '%-6s %9s %9s %9s %8s %9s\n' "$name-2" "$mcpu" "$rss" "$hwm" "$wall" "$tab"
            result=$(VOLTREK=$voltrek xvfb-run -a -s "-screen 0 1600x1000x24" \
                         bash "$(realpath "$0")" --inner "$protocols/$name" "" compare)
            read -r ccpu rss hwm wall tab <<<"$result"
            printf '%-6s %9s %9s %9s %8s %9s  ratio %s\n' "$name-cmp" "$ccpu" "$rss" "$hwm" \
                "$wall" "$tab" "$(awk -v p="$ccpu" -v c="$mcpu" 'BEGIN {printf "%.3f", p / c}')"
        fi
        [ "$projects" = 1 ] || continue
        write_project "$protocols/$name"
        result=$(VOLTREK=$voltrek xvfb-run -a -s "-screen 0 1600x1000x24" \
                     bash "$(realpath "$0")" --inner "$protocols/$name" "" \
                     "$protocols/$name/view.vtproj")
        read -r pcpu rss hwm wall tab <<<"$result"
        printf '%-6s %9s %9s %9s %8s %9s  ratio %s\n' "$name-proj" "$pcpu" "$rss" "$hwm" "$wall" \
            "$tab" "$(awk -v p="$pcpu" -v c="$cpu" 'BEGIN {printf "%.3f", p / c}')"
    done
done
