# What the black-box tests of pairlook-cli share. Source it after setting
# `command` (compare or search); the script's first argument is the CLI.
set -u
cli=$(readlink -f "$1")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# The checksum cache's default place lies below it: not the user's own.
export XDG_CONFIG_HOME=$work/config
failures=0

fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

# expect_status WANT ARGS...: runs the command, keeps stdout/stderr in $work.
expect_status() {
    local want=$1
    shift
    timeout 60 "$cli" "$command" "$@" >"$work/out" 2>"$work/err"
    local got=$?
    [ "$got" -eq "$want" ] || fail "$command $* exited $got, wanted $want"
}

expect_output() {
    local want=$1
    local got
    got=$(cat "$work/out")
    [ "$got" = "$want" ] || fail "output differs:"$'\n'"--- got"$'\n'"$got"$'\n'"--- wanted"$'\n'"$want"
}
