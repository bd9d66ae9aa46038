#!/usr/bin/env bash
# Installs a build into a scratch prefix and checks what a user gets:
#   - the files in their places (programs, profiles, schemas, documents, the
#     manual page, the bash completion; the GUI host and the expert module
#     where they are built);
#   - the installed tolvern, run from another folder on a copy of the bundled
#     example, leaves byte for byte the tree and prints the output the build
#     tree's tolvern does at the same place (time stamps aside); the same for
#     `tolvern profile --show` (BDE and ADO);
#   - the installation still works once moved elsewhere (nothing is looked
#     up in the build or source tree);
#   - `--version` prints the project's version;
#   - the bash completion offers the subcommands and a subcommand's options.
#
#   scripts/check-install.sh BUILD_DIR VERSION
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath "$1")
version=$2
scratch=$(mktemp -d "${TMPDIR:-/tmp}/tolvern-install.XXXXXX")
trap 'rm -rf "$scratch"' EXIT
fail() { echo "FAILED: $*" >&2; exit 1; }

cmake --install "$build" --prefix "$scratch/prefix" > "$scratch/install.log"
prefix=$scratch/prefix

for f in bin/tolvern share/tolvern/profiles/bde-nexa.json share/tolvern/profiles/ado-nexa.json \
         share/tolvern/schemas/profile.schema.json share/tolvern/schemas/report.schema.json \
         share/doc/tolvern/README.md share/man/man1/tolvern.1 \
         share/bash-completion/completions/tolvern; do
  [ -f "$prefix/$f" ] || fail "$f is not installed"
done
cmp -s "$root/profiles/bde-nexa.json" "$prefix/share/tolvern/profiles/bde-nexa.json" ||
  fail "the installed bde-nexa.json differs from profiles/bde-nexa.json"
if [ -e "$build/tolvern-gui" ]; then
  [ -x "$prefix/lib/tolvern/tolvern-gui" ] || fail "lib/tolvern/tolvern-gui is not installed"
  [ -f "$prefix/lib/tolvern/libtolvern_expert.so" ] || fail "the expert module is not installed"
  [ "$(readlink -f "$prefix/bin/tolvern-gui")" = "$(readlink -f "$prefix/lib/tolvern/tolvern-gui")" ] ||
    fail "bin/tolvern-gui does not lead to lib/tolvern/tolvern-gui"
fi
# No text installed points back into the build tree (programs aside: their
# debugging information names their sources).
if grep -rlIF "$build" "$prefix"; then
  fail "installed files name the build folder"
fi

# Moved after installing: a user's copy of the folder works as well.
mv "$prefix" "$scratch/moved"
prefix=$scratch/moved
installed=$prefix/bin/tolvern

[ "$("$installed" --version)" = "tolvern $version" ] ||
  fail "tolvern --version prints '$("$installed" --version)', not 'tolvern $version'"

# One run, from the folder `from`, on a fresh copy of the example at one fixed
# place (the undo file and the log name absolute paths); prints the exit code,
# the output and every file of the tree afterwards, time stamps masked.
run_example() {
  local bin=$1 from=$2 work=$scratch/work/orders rc=0
  rm -rf "$scratch/work" && mkdir -p "$scratch/work" "$from"
  cp -r "$root/examples/orders" "$work"
  (cd "$from" && "$bin" migrate --project "$work/Orders.dpr" --jobs 1) > "$scratch/out" 2>&1 || rc=$?
  echo "rc=$rc"
  sed -E 's/time: [0-9.]+ s/time: T/' "$scratch/out"
  (cd "$work" && find . -type f | LC_ALL=C sort | while IFS= read -r f; do
    echo "== $f"
    case "$f" in
      *Wiz_Log.txt) sed -E 's/[0-9]{1,4}[-./:][0-9]{1,2}[-./:][0-9]{1,4}[ T0-9:.]*//g' "$f" ;;
      *) od -An -c "$f" ;;
    esac
  done)
}
run_example "$build/tolvern" "$build" > "$scratch/build-run.txt"
run_example "$installed" "$scratch/elsewhere" > "$scratch/installed-run.txt"
grep -q '^== ./RBackup/' "$scratch/build-run.txt" || fail "the example's run backed nothing up"
diff -u "$scratch/build-run.txt" "$scratch/installed-run.txt" ||
  fail "the installed tolvern migrates the example differently from the build tree's"

for args in "profile --show" "profile --show --ado" \
            "profile --show --profile $root/profiles/ado-nexa.json"; do
  # shellcheck disable=SC2086
  (cd "$build" && "$build/tolvern" $args) > "$scratch/a.json"
  # shellcheck disable=SC2086
  (cd "$scratch/elsewhere" && "$installed" $args) > "$scratch/b.json"
  [ -s "$scratch/a.json" ] || fail "tolvern $args printed nothing"
  cmp "$scratch/a.json" "$scratch/b.json" || fail "tolvern $args differs when installed"
done

# The completion, sourced as bash-completion would, with the installed
# program first on the PATH.
complete_words() {
  PATH="$prefix/bin:$PATH" bash -c '
    source "$1"; shift
    COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1))
    _tolvern
    printf "%s\n" "${COMPREPLY[@]}"' _ "$prefix/share/bash-completion/completions/tolvern" "$@" |
    LC_ALL=C sort | tr '\n' ' '
}
subs=$(complete_words tolvern "")
[ "$subs" = "aliases data form migrate profile restore todo " ] ||
  fail "completion offers the subcommands '$subs'"
opts=$(complete_words tolvern migrate --fo)
[ "$opts" = "--folder --follow-uses " ] || fail "completion of 'migrate --fo' offers '$opts'"
opts=$(complete_words tolvern profile --)
for o in --show --check --ado --profile --help; do
  case " $opts" in *" $o "*) ;; *) fail "completion of 'profile --' lacks $o: '$opts'" ;; esac
done
echo "installed into a scratch prefix: files, runs, profiles and completion as the build tree's"
