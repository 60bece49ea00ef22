#!/bin/sh
# Every view of the screenshot tour, built on a fresh sample database, answers each Alt-key with
# one control at most. Arguments: the program, the tour.
set -eu
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
"$1" create-database "$dir/tour.db" --sample >/dev/null
HOME="$dir" XDG_CONFIG_HOME="$dir/config" XDG_DATA_HOME="$dir/data" \
  "$2" --database "$dir/tour.db" --check-mnemonics
