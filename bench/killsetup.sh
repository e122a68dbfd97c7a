# Shared by the kill tests, sourced after they set `build`: the build's tagtool, a work folder
# of their own removed at the end, and a state folder there for the records of saves.
# Usage: source bench/killsetup.sh <name of the work folder>
tagtool=$build/tests/interop/tagtool
cmake --build "$build" --target tagtool >/dev/null

work=$(mktemp -d "/tmp/tunemark-$1-XXXXXX")
trap 'rm -rf "$work"' EXIT
export XDG_STATE_HOME=$work/state
records=$XDG_STATE_HOME/Tunemark
