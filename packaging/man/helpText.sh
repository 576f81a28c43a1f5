#!/bin/sh
# Runs the tool $TOOL with the arguments given (help2man asks for --help) and
# passes its text on as help2man reads it: "Usage:" and "  or:" for the usage
# lines, and without the default plug-in path of the machine that runs it.
"$TOOL" "$@" | perl -0pe 's/^usage: /Usage: /; s/\n {7}(?=\S)/\n  or:  /g; s/;\n +here [^\n]*\)\n/)\n/'
