#!/usr/bin/env bash
# Runs a command on a virtual X server of its own under a small window
# manager (openbox), so that the program's windows get frames and title bars
# as on a desktop; exits with the command's status.
#
#   window_manager.sh WIDTHxHEIGHT COMMAND [ARGS...]
#
# openbox starts the command once it manages the screen, and leaves when the
# command has ended.
set -euo pipefail
self=$(readlink -f "$0")

if [[ ${1:-} == --started ]]; then  # openbox's start-up command
    shift
    status=0
    "$@" || status=$?
    echo "$status" > "$MIRELAN_WM_STATUS"
    openbox --exit 2>/dev/null
    exit 0
fi
if [[ ${1:-} == --server ]]; then  # on the new server
    shift
    printf -v command '%q ' "$self" --started "$@"
    openbox --startup "$command"
    status=$(cat "$MIRELAN_WM_STATUS")
    exit "${status:-1}"
fi

size=$1
shift
MIRELAN_WM_STATUS=$(mktemp)
export MIRELAN_WM_STATUS
trap 'rm -f "$MIRELAN_WM_STATUS"' EXIT
# A display number from a random start, as the test command picks its own.
xvfb-run -a -n $((300 + RANDOM % 20000)) -s "-screen 0 ${size}x24 -noreset" "$self" --server "$@"
