# Sourced by the session scripts: waits for what they start.
# await TRIES PID COMMAND...: runs COMMAND every 50 ms until it succeeds;
# fails once TRIES more tries have failed, or at once when the process PID
# (none if empty) has died. COMMAND may be a function that sets variables.
await() {
    await_tries=$1 await_pid=$2
    shift 2
    await_i=0
    until "$@"; do
        await_i=$((await_i + 1))
        [ "$await_i" -gt "$await_tries" ] && return 1
        [ -n "$await_pid" ] && ! kill -0 "$await_pid" 2>/dev/null && return 1
        sleep 0.05
    done
}
