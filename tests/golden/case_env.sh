# Sourced by run_case.sh and record_case.sh: lays out the working directory of one golden
# case and runs the binary there once (twice when Wine fails to start it). Expects bin,
# case_dir, limited (the run_limited tool) and no_link (the preload library without hard
# links), and takes VESTREL_LAUNCHER from the environment: a command put before the binary
# (e.g. "wine"). Leaves work, status, and $work/out/stdout and $work/out/stderr (elapsed
# seconds masked) behind. The working directory is removed when the calling script ends.
LC_ALL=C
export LC_ALL

work=$(mktemp -d "${TMPDIR:-/tmp}/vestrel-golden.XXXXXX") || exit 2
trap 'chmod -R u+w "$work" 2>/dev/null; rm -rf "$work"' EXIT INT TERM
mkdir "$work/out"

set --
if [ -f "$case_dir/args" ]; then
    while IFS= read -r arg || [ -n "$arg" ]; do
        case $arg in
        *@WORK@*) arg=$(printf '%s\n' "$arg" | sed "s|@WORK@|$work/run|g") ;;
        esac
        set -- "$@" "$arg"
    done <"$case_dir/args"
fi
runner=""
if [ -f "$case_dir/limit" ]; then
    runner="$limited $(cat "$case_dir/limit")"
fi
if [ -f "$case_dir/no-links" ]; then
    # The sanitizer runtime wants to come first; the preloaded library only replaces link().
    runner="env LD_PRELOAD=$no_link ASAN_OPTIONS=${ASAN_OPTIONS:+$ASAN_OPTIONS:}verify_asan_link_order=0 $runner"
fi
unprivileged=false
if [ -f "$case_dir/unprivileged" ] && [ "$(id -u)" -eq 0 ]; then
    unprivileged=true
    runner="setpriv --reuid=65534 --regid=65534 --clear-groups $runner"
fi

# The working directory as the case starts it: its input files, its setup, its owners.
lay_out() {
    chmod -R u+w "$work/run" 2>/dev/null
    rm -rf "$work/run"
    mkdir "$work/run" || exit 2
    if [ -d "$case_dir/in" ]; then
        cp -R "$case_dir/in/." "$work/run/" || exit 2
        find "$work/run" -name .keep -exec rm -f {} +
    fi
    if [ -f "$case_dir/setup" ]; then
        (cd "$work/run" && sh "$case_dir/setup") || exit 2
    fi
    $unprivileged || return 0
    # Root passes every permission check; the case runs as nobody in a folder of its own.
    chmod 755 "$work"
    chown -R 65534:65534 "$work/run"
    if [ -f "$case_dir/foreign" ]; then
        while IFS= read -r name || [ -n "$name" ]; do
            [ -n "$name" ] && chown 0:0 "$work/run/$name"
        done <"$case_dir/foreign"
        chown 0:0 "$work/run"
        chmod 1777 "$work/run"
    fi
}

close_fds=$(cat "$case_dir/close-fds" 2>/dev/null)
stdout_target="$work/out/stdout"
if [ -f "$case_dir/stdout-to" ]; then
    stdout_target=$(cat "$case_dir/stdout-to")
fi

# The run itself, in the working directory, with the descriptors of close-fds closed.
run_binary() {
    cd "$work/run" || exit 2
    for fd in $close_fds; do
        case $fd in
            0) exec 0<&- ;;
            1) exec 1>&- ;;
            2) exec 2>&- ;;
        esac
    done
    exec $runner ${VESTREL_LAUNCHER:-} "$bin" "$@"
}
# Standard input: a file of the working directory through a pipe, or nothing.
stdin_file=""
if [ -f "$case_dir/stdin" ]; then
    stdin_file="$work/run/$(cat "$case_dir/stdin")"
fi
run_fed() {
    if [ -n "$stdin_file" ]; then
        cat "$stdin_file" | (run_binary "$@")
    else
        (run_binary "$@") </dev/null
    fi
}
run_once() {
    : >"$work/out/stdout"
    if [ -f "$case_dir/stdout-append" ]; then
        appended="$work/run/$(cat "$case_dir/stdout-append")"
        run_fed "$@" >>"$appended" 2>"$work/out/stderr.raw"
        status=$?
    elif [ -f "$case_dir/stdout-broken-pipe" ]; then
        # A pipe with a writer and no reader left: opened both ways first, so that neither
        # open waits, then the reading side closed.
        rm -f "$work/out/pipe"
        mkfifo "$work/out/pipe" || exit 2
        exec 3<>"$work/out/pipe" 4>"$work/out/pipe"
        exec 3<&-
        run_fed "$@" >&4 2>"$work/out/stderr.raw"
        status=$?
        exec 4>&-
    else
        run_fed "$@" >"$stdout_target" 2>"$work/out/stderr.raw"
        status=$?
    fi
}

lay_out
run_once "$@"
# Wine now and then fails to start a program at all under parallel load: a status the case
# does not expect, with not a byte on either stream. The program itself never ends that way
# (every error it reports has a message), so such a run is made once more, from a fresh
# working directory, and says so.
expected_status=$(cat "$case_dir/expect/exit" 2>/dev/null || echo 0)
if [ -n "${VESTREL_LAUNCHER:-}" ] && [ "$status" -ne "$expected_status" ] &&
    [ ! -s "$work/out/stdout" ] && [ ! -s "$work/out/stderr.raw" ]; then
    echo "note: $VESTREL_LAUNCHER ended with status $status and no output; running again"
    lay_out
    run_once "$@"
fi
sed 's/([0-9][0-9]*\.[0-9][0-9] sec)/(T sec)/g' "$work/out/stderr.raw" >"$work/out/stderr"
# A --report page gives its date and elapsed time in <time> elements: masked, so that the
# rest of the page compares byte for byte.
for page in "$work"/run/*.html; do
    [ -f "$page" ] || continue
    sed 's|<time[^>]*>[^<]*</time>|<time>T</time>|g' "$page" >"$page.masked" &&
        mv "$page.masked" "$page"
done
