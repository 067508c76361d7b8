#!/usr/bin/env bash
# Starts the manager program under Wine. The manager program is not part of
# the repository yet, so there is nothing to run.
echo "tools/run.sh: the manager program (vkmanager.exe) is not there yet; it arrives with the manager." >&2
exit 1
