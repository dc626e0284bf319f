#!/usr/bin/env bash
# Every `build/linux/bin/velmora ...` example in the README runs as written, from a folder laid
# out like the repository (its docs/, and build/linux/bin/ being this build's programs), and
# succeeds. Arguments: the repository and the folder of the built velmora.
set -euo pipefail
source "$(dirname "$0")/repo_layout.sh"

count=0
while IFS= read -r example; do
    count=$((count + 1))
    if ! bash -c "$example" >"$work/out" 2>&1; then
        echo "readme_examples_test: this example failed: $example" >&2
        cat "$work/out" >&2
        exit 1
    fi
done < <(grep -E '^    build/linux/bin/velmora ' "$repo/README.md" | sed -e 's/^    //')
[ "$count" -ge 4 ] || fail "only $count examples found"

# The parameter table is what `velmora params --markdown` prints today.
sed -n '/^<!-- velmora params --markdown -->$/,/^<!-- end of velmora params --markdown -->$/p' "$repo/README.md" |
    sed '1d;$d' >"$work/readme-table"
build/linux/bin/velmora params --markdown >"$work/params-table"
if ! cmp -s "$work/readme-table" "$work/params-table"; then
    echo "readme_examples_test: the README's parameter table differs from velmora params --markdown:" >&2
    diff "$work/readme-table" "$work/params-table" >&2 || true
    exit 1
fi
echo "readme_examples_test: $count examples ran"
