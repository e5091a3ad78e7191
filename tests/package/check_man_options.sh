#!/usr/bin/env bash
# Fails unless a program's --help and the OPTIONS section of its man page name the same options.
#
#   check_man_options.sh PROGRAM MAN_PAGE.scd
#
# An option is a word of the form -x, --word or -word that starts the text or follows a space or
# punctuation, so hyphenated words ("end-point") and negative numbers ("-0.2") are not options.
# All of --help counts (usage lines and prose included); of the man page, the OPTIONS section.
set -euo pipefail
program=$1
page=$2

# Option words in standard input, one per line, sorted and unique.
option_words() {
  grep -oE '(^|[^A-Za-z0-9_-])--?[A-Za-z][A-Za-z0-9-]*' | sed -E 's/^[^-]//' | sort -u
}

# The lines of the scdoc source between "# OPTIONS" and the next section heading.
options_section() {
  awk '/^# / { inside = ($0 == "# OPTIONS"); next } inside' "$page"
}

help_text=$("$program" --help) || {
  echo "error: '$program --help' failed" >&2
  exit 1
}
help_options=$(option_words <<<"$help_text")
page_options=$(options_section | option_words)

status=0
for side in help page; do
  var="${side}_options"
  if ! grep -qx -- --help <<<"${!var}"; then
    echo "error: the $side names no --help option: nothing to compare" >&2
    status=1
  fi
done
only_in_help=$(comm -23 <(echo "$help_options") <(echo "$page_options"))
only_in_page=$(comm -13 <(echo "$help_options") <(echo "$page_options"))
if [ -n "$only_in_help" ]; then
  echo "error: in '$(basename "$program") --help' but not in the OPTIONS of $page:" \
    $only_in_help >&2
  status=1
fi
if [ -n "$only_in_page" ]; then
  echo "error: in the OPTIONS of $page but not in '$(basename "$program") --help':" \
    $only_in_page >&2
  status=1
fi
[ "$status" -eq 0 ] && echo "$(basename "$program"): the same options in --help and $page:" \
  $help_options
exit "$status"
