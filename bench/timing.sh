# shellcheck shell=bash
# Shared by the benchmark scripts (sourced, not run): where the programs are, and for the start-up
# benchmarks the time from a program's start to its first painted window.
#
# A program is timed from just before it is started to the "first-paint <ns>" line it prints once
# its window has painted (CLOCK_REALTIME on both sides); it must then end with status 0. The
# programs of one benchmark take turns, run after run, so that a machine busy with other work
# slows all of them alike.

# The folder of the built programs: BUILD_DIR (default build), relative to the source tree or
# absolute.
bench_bin_dir() {
    local build_dir=${BUILD_DIR:-build}
    case $build_dir in
    /*) echo "$build_dir/bin" ;;
    *) echo "$PWD/$build_dir/bin" ;;
    esac
}

# first_paint_ms NAME COMMAND...: runs COMMAND (with the offscreen platform and the timing hooks
# set) and appends its time in microseconds to the array named NAME; peak resident memory in KiB
# goes to NAME_rss when /usr/bin/time (package time) is there to tell. Fails, saying why, when
# the program does not paint or does not end cleanly.
first_paint_ms() {
    local name=$1
    shift
    local start out status painted kb measure=()
    [ -x /usr/bin/time ] && measure=(/usr/bin/time -f 'maxrss %M')
    start=$(date +%s%N)
    status=0
    out=$(QT_QPA_PLATFORM=offscreen BRISVANE_FIRST_PAINT=1 QUELLIN_FIRST_PAINT=1 \
        "${measure[@]}" "$@" 2>&1) || status=$?
    painted=$(sed -n 's/^first-paint \([0-9]*\)$/\1/p' <<<"$out")
    kb=$(sed -n 's/^maxrss \([0-9]*\)$/\1/p' <<<"$out")
    if [ "$status" -ne 0 ] || [ -z "$painted" ]; then
        echo "$* did not paint its window and end cleanly (status $status):" >&2
        echo "$out" >&2
        return 1
    fi
    eval "$name+=($(((painted - start) / 1000)))"
    [ -z "$kb" ] || eval "${name}_rss+=($kb)"
}

# report_rss PROGRAM KIB...: its median peak resident memory, when it was measured.
report_rss() {
    local program=$1
    shift
    if [ $# -eq 0 ]; then
        echo "peak resident memory of $program: not measured (/usr/bin/time is missing)"
        return
    fi
    printf 'peak resident memory of %s: median %.1f MiB\n' "$program" \
        "$(echo "$(median "$@") / 1024" | bc -l)"
}

# median VALUES...: the middle value (the lower one of the two middle values for an even count).
median() {
    printf '%s\n' "$@" | sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'
}

# report_ms LABEL VALUES...: "median X ms (fastest Y, slowest Z)  LABEL" from microseconds.
report_ms() {
    local label=$1
    shift
    printf '%s\n' "$@" | sort -n | awk -v label="$label" '{a[NR]=$1}
        END {printf "  median %6.1f ms  (fastest %6.1f, slowest %6.1f)  %s\n",
             a[int((NR+1)/2)]/1000, a[1]/1000, a[NR]/1000, label}'
}
