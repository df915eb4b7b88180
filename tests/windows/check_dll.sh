#!/bin/sh
# Checks the Windows build of the module: it exports exactly the sixteen
# functions under their plain names, takes the device operations by name
# from rapi.dll, and needs no runtime DLL of the compiler.
# Usage: check_dll.sh <objdump> <Vantelbrook.dll>
set -u
objdump=$1
dll=$2
dump=$(mktemp)
trap 'rm -f "$dump"' EXIT
"$objdump" -p "$dll" >"$dump" || { echo "objdump failed on $dll"; exit 1; }

fail=0
expected="ClosePlugin Configure DeleteFiles ExitFAR FreeFindData GetFiles GetFindData GetMinFarVersion GetOpenPluginInfo GetPluginInfo MakeDirectory OpenPlugin ProcessKey PutFiles SetDirectory SetStartupInfo"
exported=$(sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' "$dump" | sed -n 's/^[[:space:]]*\[[[:space:]]*[0-9]*\][[:space:]]*//p' | sort | tr '\n' ' ' | sed 's/ $//')
if [ "$exported" != "$expected" ]; then
    echo "exports differ:"
    echo "  expected: $expected"
    echo "  found:    $exported"
    fail=1
else
    echo "exports: the sixteen plain names"
fi

# Imported DLLs, lower-cased.
dlls=$(sed -n 's/^[[:space:]]*DLL Name: //p' "$dump" | tr 'A-Z' 'a-z' | sort -u | tr '\n' ' ')
echo "imports from: $dlls"
for dll_name in $dlls; do
    case "$dll_name" in
        libstdc++*|libgcc*|libwinpthread*) echo "needs a compiler runtime DLL: $dll_name"; fail=1 ;;
    esac
done

if [ -n "${VB_REQUIRE_RAPI:-1}" ] && [ "${VB_REQUIRE_RAPI:-1}" != 0 ]; then
    rapi=$(awk '/DLL Name: rapi.dll/{on=1; next} /DLL Name:/{on=0} on && /^[[:space:]]+[0-9a-f]+[[:space:]]+[0-9]+[[:space:]]+Ce/{print $3}' "$dump" | sort | tr '\n' ' ')
    if [ -z "$rapi" ]; then
        echo "no device operations imported from rapi.dll"
        fail=1
    else
        echo "from rapi.dll: $rapi"
        for name in $rapi; do
            case "$name" in
                *@*) echo "decorated import: $name"; fail=1 ;;
            esac
        done
    fi
fi
exit $fail
