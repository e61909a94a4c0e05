#!/bin/sh
# Writes the manual page of tarvex-batch from its own --help text, so the page never
# drifts from the program:
#   make-manpage.sh PROGRAM VERSION OUTPUT
# The help text is read as: a usage block up to the first blank line (the synopsis), plain
# paragraphs (the description), option lines "  --name ARG   text" with their indented
# continuation lines (the options), and the paragraphs after the options (exit status).
set -eu
program=$1
version=$2
output=$3

help=$("$program" --help)
[ -n "$help" ] || { echo "make-manpage.sh: $program --help printed nothing" >&2; exit 1; }

printf '%s\n' "$help" | awk -v version="$version" '
function esc(s) {
    gsub(/\\/, "\\e", s)
    gsub(/-/, "\\-", s)
    if (s ~ /^[.\047]/) s = "\\&" s
    return s
}
function flush_para() {
    if (para != "") { print ".PP"; print para; para = "" }
}
function flush_option() {
    if (term != "") {
        print ".TP"
        arg = ""
        if (match(term, / /)) { arg = " \\fI" esc(substr(term, RSTART + 1)) "\\fR"; term = substr(term, 1, RSTART - 1) }
        print "\\fB" esc(term) "\\fR" arg
        if (desc != "") print esc(desc)
        term = ""; desc = ""
    }
}
BEGIN {
    print ".\\\" Made from tarvex-batch --help by packaging/make-manpage.sh; do not edit."
    print ".TH TARVEX\\-BATCH 1 \"\" \"Tarvex " version "\" \"User Commands\""
    print ".SH NAME"
    print "tarvex\\-batch \\- climate reconstruction from pollen tables without windows"
    state = "usage"
}
state == "usage" {
    if ($0 == "") { print ".fi"; print ".SH DESCRIPTION"; state = "text"; next }
    if (!started) { print ".SH SYNOPSIS"; print ".nf"; started = 1; sub(/^Usage: */, "") }
    else sub(/^       /, "")
    print esc($0)
    next
}
/^  -/ {
    flush_para()
    if (!in_options) { print ".SH OPTIONS"; in_options = 1 }
    flush_option()
    line = $0
    sub(/^  /, "", line)
    if (match(line, /  +/)) {
        term = substr(line, 1, RSTART - 1)
        desc = substr(line, RSTART + RLENGTH)
    } else {
        term = line; desc = ""
    }
    state = "option"
    next
}
state == "option" && /^      / {
    line = $0
    sub(/^ +/, "", line)
    desc = (desc == "") ? line : desc " " line
    next
}
$0 == "" {
    flush_option(); flush_para()
    if (in_options && !after) { after = 1 }
    state = "text"
    next
}
{
    flush_option()
    if (after && !exit_section) { print ".SH \"EXIT STATUS\""; exit_section = 1 }
    line = esc($0)
    para = (para == "") ? line : para "\n" line
    state = "text"
}
END {
    flush_option(); flush_para()
    if (state == "usage") { print "make-manpage.sh: no blank line after the usage block" > "/dev/stderr"; exit 1 }
    print ".SH EXAMPLES"
    print "The example data of the package, reconstructed with the error model:"
    print ".PP"
    print ".nf"
    print ".RS"
    print "d=/usr/share/doc/tarvex/examples"
    print "tarvex\\-batch \\-\\-reference $d/reference.csv \\-\\-fossil $d/fossil.csv \\e"
    print "    \\-\\-climate $d/climate.csv \\-\\-error\\-model \\-\\-out results"
    print ".RE"
    print ".fi"
    print ".SH \"SEE ALSO\""
    print "\\fBtarvex\\fR, the desktop program."
    print ".br"
    print ".nh"
    print "/usr/share/doc/tarvex/examples/README.md, the example data."
}' > "$output.tmp"
mv "$output.tmp" "$output"
