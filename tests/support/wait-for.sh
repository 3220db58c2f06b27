# Sourced by the test scripts: waits up to ten seconds for a command to
# succeed.
wait_for() {
    for _ in $(seq 100); do
        "$@" && return 0
        sleep 0.1
    done
    return 1
}
