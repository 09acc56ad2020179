#!/usr/bin/env bash
# Runs every fuzz target of a build for a bounded time each, starting from its
# seed corpus (fuzz/corpus/<target>/, plus seeds the target's --make-seeds
# mode writes from the datafile builder). Usage: run_all.sh BUILD_DIR SECONDS
set -euo pipefail
build=$(cd "$1" && pwd)
seconds=${2:-20}
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
status=0
for src in "$here"/*_fuzz.cpp; do
    name=$(basename "$src" .cpp)
    bin="$build/fuzz/$name"
    [ -x "$bin" ] || { echo "missing fuzz target $bin"; status=1; continue; }
    corpus="$work/$name"
    mkdir -p "$corpus"
    if [ -d "$here/corpus/$name" ]; then cp -r "$here/corpus/$name/." "$corpus/"; fi
    # Targets may write builder-made seeds into the corpus when asked.
    ZEM_FUZZ_MAKE_SEEDS="$corpus" "$bin" -runs=0 "$corpus" >/dev/null 2>&1 || true
    echo "== $name: $(ls "$corpus" | wc -l) seeds, ${seconds}s"
    if ! (cd "$work" && "$bin" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
            -print_final_stats=0 "$corpus" 2>"$work/$name.log"); then
        tail -n 40 "$work/$name.log"
        status=1
    fi
done
exit $status
