# Sourced by run_case.sh and record_case.sh: lays out the working directory of one golden
# case and runs the binary there once. Expects bin, case_dir and limited (the run_limited
# tool), and takes VESTREL_LAUNCHER from the environment: a command put before the binary
# (e.g. "wine"). Leaves work, status, and $work/out/stdout and $work/out/stderr (elapsed
# seconds masked) behind. The working directory is removed when the calling script ends.
LC_ALL=C
export LC_ALL

work=$(mktemp -d "${TMPDIR:-/tmp}/vestrel-golden.XXXXXX") || exit 2
trap 'chmod -R u+w "$work" 2>/dev/null; rm -rf "$work"' EXIT INT TERM
mkdir "$work/run" "$work/out"
if [ -d "$case_dir/in" ]; then
    cp -R "$case_dir/in/." "$work/run/" || exit 2
    find "$work/run" -name .keep -exec rm -f {} +
fi
if [ -f "$case_dir/setup" ]; then
    (cd "$work/run" && sh "$case_dir/setup") || exit 2
fi

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
stdout_target="$work/out/stdout"
if [ -f "$case_dir/stdout-to" ]; then
    stdout_target=$(cat "$case_dir/stdout-to")
fi

if [ -f "$case_dir/stdout-append" ]; then
    appended="$work/run/$(cat "$case_dir/stdout-append")"
    (cd "$work/run" && exec $runner ${VESTREL_LAUNCHER:-} "$bin" "$@") </dev/null >>"$appended" 2>"$work/out/stderr.raw"
else
    (cd "$work/run" && exec $runner ${VESTREL_LAUNCHER:-} "$bin" "$@") </dev/null >"$stdout_target" 2>"$work/out/stderr.raw"
fi
status=$?
sed 's/([0-9][0-9]*\.[0-9][0-9] sec)/(T sec)/g' "$work/out/stderr.raw" >"$work/out/stderr"
