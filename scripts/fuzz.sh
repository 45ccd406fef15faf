#!/usr/bin/env bash
# Runs the libFuzzer harnesses (built into BUILD/fuzz when clang++ was found at configure time).
#
#   scripts/fuzz.sh [--build DIR] [--time SECONDS | --runs N] [--jobs N] [NAME ...]
#
# NAME: uniforms collada material bindings shader_names image archive (default: all), each for
# SECONDS (default 300). Seeds: fuzz/seeds/NAME, the test fixtures (tests/engine/regressions and
# fuzz_inputs among them) and the generated content;
# the growing corpus stays in BUILD/fuzz/corpus/NAME, crashing inputs go to BUILD/fuzz/crashes.
# --runs N makes a reproducible run instead (the test suite's): N executions from seed 1 and an
# empty corpus, so the same build always tries the same inputs.
# Prints each harness's executions; exits 1 when a harness found a crash.
set -u
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$root/build"
seconds=300
jobs=1
runs=0
names=()
while [ $# -gt 0 ]; do
    case "$1" in
        --build) build="$(cd "$2" && pwd)"; shift 2 ;;
        --time) seconds="$2"; shift 2 ;;
        --jobs) jobs="$2"; shift 2 ;;
        --runs) runs="$2"; shift 2 ;;
        -h|--help) sed -n '2,12p' "$0"; exit 0 ;;
        *) names+=("$1"); shift ;;
    esac
done
[ ${#names[@]} -gt 0 ] || names=(uniforms collada material bindings shader_names image archive)
bin="$build/fuzz"
content="$build/content"
# Inputs that once crashed a harness: the images with their regression test, the rest beside them.
regressions="$root/tests/engine/regressions"
inputs="$root/tests/engine/fuzz_inputs"

# The seed folders of a harness, built afresh from the fixtures and the generated content.
seeds() {
    local name="$1" dir="$bin/seeds/$1"
    rm -rf "$dir"; mkdir -p "$dir"
    cp "$root/fuzz/seeds/$name"/* "$dir"/ 2>/dev/null
    case "$name" in
        uniforms) cp "$root"/data/*.glsl "$content"/*.glsl "$root"/tests/render/shader_files/*.glsl "$dir"/ 2>/dev/null ;;
        collada) cp "$root"/tests/scene/documents/*.dae "$root"/tests/scene/pak/*.dae "$dir"/ 2>/dev/null ;;
        material) cp "$content"/*.material.xml "$root"/tests/scene/pak/*.material.xml "$dir"/ 2>/dev/null ;;
        bindings) cp "$content"/*bindings.xml "$root"/tests/scene/pak/*bindings.xml "$dir"/ 2>/dev/null ;;
        shader_names) (cd "$root/data" && ls; cd "$content" && ls *.glsl) > "$dir/data_names.txt" ;;
        image) cp "$root"/tests/engine/pak/*.png "$root"/tests/scene/pak/*.png "$regressions"/*.jpg "$regressions"/*.png "$inputs"/*.png \
                  "$dir"/ 2>/dev/null
               ls -S "$content"/*.jpg 2>/dev/null | tail -2 | xargs -r cp -t "$dir" ;;
        archive) cp "$build"/tests/test.pak "$build"/tests/scene/scene_test.pak "$inputs"/*.zip "$dir"/ 2>/dev/null ;;
    esac
    echo "$dir"
}

failed=0
for name in "${names[@]}"; do
    harness="$bin/fuzz_$name"
    if [ ! -x "$harness" ]; then
        echo "fuzz: $harness is not built (configure with clang++ installed)" >&2
        exit 2
    fi
    corpus="$bin/corpus/$name"
    limit=(-max_total_time="$seconds")
    if [ "$runs" -gt 0 ]; then
        corpus="$bin/corpus-reproducible/$name"
        rm -rf "$corpus"
        limit=(-runs="$runs" -seed=1)
    fi
    mkdir -p "$corpus" "$bin/crashes"
    seed="$(seeds "$name")"
    log="$bin/$name.log"
    parallel=()
    # -jobs writes fuzz-N.log into the current folder: run from the harness folder.
    [ "$jobs" -gt 1 ] && parallel=(-jobs="$jobs" -workers="$jobs")
    ASAN_OPTIONS="detect_leaks=0:allocator_may_return_null=1" UBSAN_OPTIONS="print_stacktrace=1" \
        bash -c 'cd "$0" && exec "$@"' "$bin" "$harness" "${limit[@]}" -timeout=10 -rss_limit_mb=2048 \
        -max_len=65536 "${parallel[@]}" -print_final_stats=1 -artifact_prefix="$bin/crashes/$name-" "$corpus" "$seed" >"$log" 2>&1
    status=$?
    executed=$(grep -h "stat::number_of_executed_units" "$log" "$bin"/fuzz-*.log 2>/dev/null | awk '{s += $2} END {print s + 0}')
    if [ $status -ne 0 ]; then
        failed=1
        echo "fuzz: $name: $executed executions, CRASH (status $status); see $log and $bin/crashes"
        grep -m 5 -E "ERROR|SUMMARY|==[0-9]+==" "$log" | sed 's/^/  /'
    else
        echo "fuzz: $name: $executed executions, no crash"
    fi
done
exit $failed
