#!/usr/bin/env bash
# The completion offers the commands, and for each command exactly the long
# options its --help lists.
set -euo pipefail
tessaly=$1
completion=$2
source "$completion"

complete_words() {
  COMP_WORDS=("$@")
  COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
  COMPREPLY=()
  _tessaly
  printf '%s\n' "${COMPREPLY[@]}" | sed 's/=$//' | sort
}

[ "$(complete_words tessaly co)" = convert ] || { echo "command not completed"; exit 1; }
for command in convert ddl verify list; do
  want=$("$tessaly" "$command" --help | grep -o -- '--[a-z-]*' | grep -v -- '--version' | sort -u)
  got=$(complete_words tessaly "$command" --)
  if [ "$want" != "$got" ]; then
    echo "options of $command differ:"
    diff <(echo "$want") <(echo "$got") || true
    exit 1
  fi
done
echo ok
