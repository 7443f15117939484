#!/usr/bin/env bash
# The gateway's whole chain under the emulator: the simulator serves a bus of five meters on a
# pseudo-terminal linked as COM5, and the companion reads all five through it, both started by
# the emulator command given. Checks that every meter answered with its 35 registers and its
# own address in register 0000H.
#   companion_reads_simulator.sh SIMULATOR COMPANION EMULATOR [EMULATOR ARGUMENT...]
set -euo pipefail

if (($# < 3)); then
    echo "usage: $0 SIMULATOR COMPANION EMULATOR [EMULATOR ARGUMENT...]" >&2
    exit 2
fi
simulator=$1
companion=$2
shift 2
emulator=("$@")

readonly meters=5
# Far more than the emulated programs need on a loaded machine.
readonly ready_limit_seconds=60
readonly read_limit_seconds=120

work=$(mktemp -d)
simulator_pid=""
cleanup() {
    if [ -n "$simulator_pid" ]; then
        kill "$simulator_pid" 2>/dev/null || true
        wait "$simulator_pid" 2>/dev/null || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT
export XDG_CONFIG_HOME=$work

"${emulator[@]}" "$simulator" --com 5 --bus "1-$meters" --baud 9600 --frozen --no-stdin \
    >"$work/simulator.out" 2>&1 &
simulator_pid=$!
for ((waited = 0; waited < ready_limit_seconds * 10; waited++)); do
    if grep -q '^ready ' "$work/simulator.out"; then
        break
    fi
    if ! kill -0 "$simulator_pid" 2>/dev/null; then
        echo "the simulator ended before it was ready:" >&2
        cat "$work/simulator.out" >&2
        exit 1
    fi
    sleep 0.1
done
if ! grep -q '^ready ' "$work/simulator.out"; then
    echo "the simulator was not ready within $ready_limit_seconds s" >&2
    exit 1
fi

timeout "$read_limit_seconds" "${emulator[@]}" "$companion" read --port 5 --baud 9600 \
    --id "1-$meters" --format csv >"$work/readings.csv"

failed=0
for ((meter = 1; meter <= meters; meter++)); do
    registers=$(grep -c "^$meter," "$work/readings.csv" || true)
    if [ "$registers" -ne 35 ]; then
        echo "meter $meter: $registers registers read, 35 expected" >&2
        failed=1
    fi
    if ! grep -q "^$meter,0000H,$meter," "$work/readings.csv"; then
        echo "meter $meter: register 0000H does not hold its address" >&2
        failed=1
    fi
done
if ((failed)); then
    cat "$work/readings.csv" >&2
    exit 1
fi
echo "the companion read $meters meters of the simulator, 35 registers each"
