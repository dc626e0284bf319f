# Sourced by the README tests: a scratch folder laid out like the repository (its docs/, and
# build/linux/bin/ being this build's programs), made the current folder and removed on exit, so
# that the README's commands run there as written. Takes the script's own arguments (the
# repository and the folder of the built velmora) and sets repo, bin and work; fail() stops the
# test with a message under the script's name.
repo=$1
bin=$2
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/build/linux"
ln -s "$bin" "$work/build/linux/bin"
ln -s "$repo/docs" "$work/docs"
cd "$work"
fail() { echo "$(basename "$0" .sh): $*" >&2; exit 1; }
