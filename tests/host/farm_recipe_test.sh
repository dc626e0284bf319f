#!/usr/bin/env bash
# The README's render-farm recipes, run here: the GNU parallel line as written (with a small
# --size added) renders the default animation in chunks whose frames are byte for byte those of
# one process, and the --sshlogin line works with this machine (":") as its only host.
# Arguments: the repository and the folder of the built velmora.
set -euo pipefail
source "$(dirname "$0")/repo_layout.sh"

local_line=$(grep -E '^    seq .*\| parallel ' "$repo/README.md" | grep -v -- '--sshlogin' | head -1 | sed 's/^    //')
ssh_line=$(grep -E '^    seq .*\| parallel .*--sshlogin' "$repo/README.md" | head -1 | sed 's/^    //')
[ -n "$local_line" ] && [ -n "$ssh_line" ] || fail "the README's parallel recipes are not found"

bash -c "$local_line --size 96x54" >/dev/null || fail "the recipe failed: $local_line"
build/linux/bin/velmora render --size 96x54 --jobs 1 --quiet --out single/velmora_####.png >/dev/null
[ "$(ls out | wc -l)" = "$(ls single | wc -l)" ] || fail "the chunks made $(ls out | wc -l) frames, one process $(ls single | wc -l)"
for frame in single/*; do
    cmp -s "$frame" "out/$(basename "$frame")" || fail "$(basename "$frame") differs between the chunks and one process"
done

here_line=$(sed -e 's/--sshlogin [^ ]*/--sshlogin :/' -e 's|out/velmora_|ssh/velmora_|' <<<"$ssh_line")
bash -c "$here_line --size 96x54" >/dev/null || fail "the --sshlogin recipe failed: $here_line"
for frame in single/*; do
    cmp -s "$frame" "ssh/$(basename "$frame")" || fail "$(basename "$frame") differs through --sshlogin"
done
echo "farm_recipe_test: $(ls single | wc -l) frames equal"
