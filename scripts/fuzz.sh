#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, ASan + UBSan, in build/fuzz) and runs
# each in turn from its committed seeds, then prints what each one did.
#
#   scripts/fuzz.sh [SECONDS | -runs=N | -LIBFUZZER_FLAG=VALUE ...] [TARGET...]
#
# SECONDS per target (default 30, as CI runs it); -runs=N stops each target
# after N executions instead (the long run: scripts/fuzz.sh -runs=10000000);
# with both -runs=N and -max_total_time=S each stops at whichever comes first.
# Other flags starting with "-" go to libFuzzer as they are.
# TARGET: device_change lookup identify (default: all three).
# New inputs go to build/fuzz/corpus/<target>; the committed seeds in
# fuzz/corpus/<target> are only read. A failing input is saved as
# build/fuzz/artifacts/<target>/crash-*; replay it with
#   build/fuzz/fuzz/fuzz_<target> build/fuzz/artifacts/<target>/crash-...
# Environment: HX_BUILD_ROOT (default <repo>/build), HX_JOBS (default 2).
set -u -o pipefail

. "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
DIR=$HX_BUILD_ROOT/fuzz
ALL=(device_change lookup identify)

limit=()
extra=()
targets=()
for arg in "$@"; do
    case $arg in
        -runs=*|-max_total_time=*) limit+=("$arg") ;;
        -*) extra+=("$arg") ;;
        ''|*[!0-9]*) targets+=("$arg") ;;
        *) limit+=(-max_total_time="$arg") ;;
    esac
done
[ ${#limit[@]} -gt 0 ] || limit=(-max_total_time=30)
[ ${#targets[@]} -gt 0 ] || targets=("${ALL[@]}")

echo "==> building ${targets[*]} in $DIR"
hx_configure "$DIR" -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DHX_FUZZ=ON -DHX_SANITIZE=address,undefined || exit 1
hx_build "$DIR" "${targets[@]/#/fuzz_}" || exit 1

# A smaller quarantine than ASan's 256 MB default: the machine is shared.
export ASAN_OPTIONS=${ASAN_OPTIONS:-quarantine_size_mb=64}

summary=()
failed=0
for t in "${targets[@]}"; do
    seeds=$HX_ROOT/fuzz/corpus/$t
    work=$DIR/corpus/$t
    artifacts=$DIR/artifacts/$t
    log=$DIR/$t.log
    mkdir -p "$work" "$artifacts"
    echo
    echo "==> fuzz_$t ${limit[*]} ${extra[*]} (log: $log)"
    # One process at a time: the machine is shared. Resident size levels off
    # after warm-up (ASan's quarantine full), at 150 to 200 MB per target.
    "$DIR/fuzz/fuzz_$t" "${limit[@]}" -timeout=20 -rss_limit_mb=3072 -print_final_stats=1 \
        ${extra[@]+"${extra[@]}"} \
        -dict="$HX_ROOT/fuzz/hx.dict" -artifact_prefix="$artifacts/" "$work" "$seeds" >"$log" 2>&1
    status=$?
    grep -E '^#[0-9]+.*(DONE|pulse)' "$log" | tail -n 1
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log")
    secs=$(grep -oE 'Done [0-9]+ runs in [0-9]+ second' "$log" | grep -oE '[0-9]+ second' | grep -oE '[0-9]+')
    cov=$(grep -E '^#[0-9]+' "$log" | tail -n 1 | grep -oE 'cov: [0-9]+' | grep -oE '[0-9]+')
    if [ $status -eq 0 ]; then
        result=ok
    else
        result="FAILED (exit $status; see $log and $artifacts)"
        failed=1
        grep -E 'invariant broken|ERROR: AddressSanitizer|runtime error|deadly signal' "$log" | head -n 3
    fi
    summary+=("$(printf '%-14s runs %-10s %6s exec/s  %5s s  cov %-5s corpus %-5s %s' "$t" "${runs:-?}" \
        "${rate:-?}" "${secs:-?}" "${cov:-?}" "$(ls "$work" | wc -l)" "$result")")
done

echo
echo "==== fuzzing summary ===="
printf '  %s\n' "${summary[@]}"
exit $failed
