#!/usr/bin/env bash
# The main job: builds the Windows plug-in folder (dist/Vantelbrook) and the
# native module with the terminal host, then starts the terminal host on the
# demo device, whose working copy is made under .work/ on the first run.
# When standard input or output is not a terminal, it runs the printed
# session of the module instead, so that it never waits for a person.
#
#   bash scripts/main-job.sh [--storage DIR] [--local DIR] [--link MODEL]
#                            [--connect MODEL] [--oemcp 437|866]
#
#   --storage  the device's storage folder instead of the demo device
#              (VANTELBROOK_DEVICE_STORAGE)
#   --local    the local panels' folder (VB_LOCAL; default .work/demo/local)
#   --link     the link model, e.g. latency=5,bandwidth=3000000, or off
#              (VANTELBROOK_DEVICE_LINK; default latency=5,bandwidth=3000000)
#   --connect  how the link comes up: now, delay:<ms>, fail, never
#              (VANTELBROOK_DEVICE_CONNECT; default delay:2000)
#   --oemcp    the OEM code page, 437 or 866 (VANTELBROOK_OEMCP; default 437)
set -euo pipefail
source "$(dirname "$0")/lib.sh"

storage=${VANTELBROOK_DEVICE_STORAGE:-}
local_folder=${VB_LOCAL:-}
link=${VANTELBROOK_DEVICE_LINK:-latency=5,bandwidth=3000000}
connect=${VANTELBROOK_DEVICE_CONNECT:-delay:2000}
oemcp=${VANTELBROOK_OEMCP:-437}
while [ $# -gt 0 ]; do
    case "$1" in
        --storage) storage=$2; shift 2 ;;
        --local) local_folder=$2; shift 2 ;;
        --link) link=$2; shift 2 ;;
        --connect) connect=$2; shift 2 ;;
        --oemcp) oemcp=$2; shift 2 ;;
        *) echo "main-job.sh: unknown option $1 (see the comment at the top of the script)" >&2; exit 2 ;;
    esac
done

vb_ensure_packages "${VB_BUILD_PACKAGES[@]}"

vb_say "Windows plug-in"
vb_build_windows -DBUILD_TESTING=OFF
vb_make_dist
ls -l "$VB_ROOT/dist/Vantelbrook"

vb_say "native module, emulated host and device, terminal host"
vb_build_native -DBUILD_TESTING=OFF --target Vantelbrook --target vbterm --target vbdemo --target vbsession
bin="$VB_ROOT/build/native/bin"

work="$VB_ROOT/.work"
if [ -z "$storage" ]; then
    storage="$work/demo/device"
    "$bin/vbdemo" "$VB_ROOT/demo" "$storage"
fi
if [ -z "$local_folder" ]; then
    local_folder="$work/demo/local"
fi
mkdir -p "$local_folder" "$work/host"
export VANTELBROOK_DEVICE_STORAGE="$storage"
export VANTELBROOK_DEVICE_LINK="$link"
export VANTELBROOK_DEVICE_CONNECT="$connect"
export VANTELBROOK_OEMCP="$oemcp"
export VANTELBROOK_REGISTRY="${VANTELBROOK_REGISTRY:-$work/registry.reg}"

if [ -t 0 ] && [ -t 1 ]; then
    vb_say "the terminal host: F9 or Alt+F1 opens the disks menu, F1 the help, F10 quits"
    exec "$bin/vbterm" --left "$local_folder" --right "$local_folder" --work "$work/host" --oemcp "$oemcp"
fi

# No terminal to draw on: the printed session shows the same module at work,
# on a fresh small copy of the demo device so that the demo's own stays as
# the person left it.
vb_say "no terminal here (standard input or output is not one): the printed session instead of the full screen"
session="$work/session"
rm -rf "$session"
mkdir -p "$session/local"
"$bin/vbdemo" "$VB_ROOT/demo" "$session/device" --generated-size 65536
export VANTELBROOK_DEVICE_STORAGE="$session/device"
export VANTELBROOK_DEVICE_LINK=off
export VANTELBROOK_REGISTRY="$session/registry.reg"
"$bin/vbsession" "$bin/Vantelbrook.so" "$session/local" "My Documents"
