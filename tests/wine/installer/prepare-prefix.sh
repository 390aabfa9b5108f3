#!/usr/bin/env bash
# Once per test run: a fresh installer prefix with the stand-in camera.
#
#   prepare-prefix.sh STANDIN_DIR
set -u
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
. "$here/installer-env.sh"
exec bash "$here/../standin/install-camera.sh" --fresh "$@"
