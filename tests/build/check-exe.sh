#!/usr/bin/env bash
# Checks the built lorvane.exe from the outside:
#     check-exe.sh lorvane.exe OBJDUMP WINDRES version.h
# It must be a 64-bit Windows GUI program that needs no DLL beyond the system's
# (the C and C++ runtimes linked in), and carry the manifest that asks for
# administrator rights, the logo and the version information of version.h.
set -uo pipefail
export LC_ALL=C.UTF-8
exe=$1 objdump=$2 windres=$3 version_h=$4

failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

headers=$("$objdump" -p "$exe") || { echo "FAIL: $objdump cannot read $exe"; exit 1; }
grep -q 'file format pei-x86-64' <<<"$headers" || fail "not an x86-64 PE image"
grep -qE '^Magic[[:space:]]+020b' <<<"$headers" || fail "not a PE32+ image"
grep -qE '^Subsystem[[:space:]]+0*2[[:space:]]' <<<"$headers" || fail "not a Windows GUI program"

# Windows' own DLLs, in lower case; api-ms-win-* sets are accepted too.
system_dlls=" advapi32 comctl32 comdlg32 gdi32 imm32 kernel32 msvcrt ole32 oleaut32 riched20 shell32 shlwapi
    ucrtbase user32 uxtheme version vssapi winmm winspool.drv ws2_32 msftedit "
dlls=$(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$headers")
[[ -n $dlls ]] || fail "no imports found"
while read -r dll; do
    [[ -n $dll ]] || continue
    name=${dll,,}
    name=${name%.dll}
    case $name in
        libstdc++* | libgcc* | libwinpthread*) fail "imports $dll: the runtime is not linked statically" ;;
        api-ms-win-*) ;;
        *) [[ $system_dlls == *" $name "* ]] || fail "imports $dll, which is not a system DLL" ;;
    esac
done <<<"$dlls"

define() { sed -n "s/^#define $1 \\(.*\\)\$/\\1/p" "$version_h"; }
major=$(define LORVANE_VERSION_MAJOR) minor=$(define LORVANE_VERSION_MINOR)
build=$(define LORVANE_VERSION_BUILD) revision=$(define LORVANE_VERSION_REVISION)
company=$(define LORVANE_COMPANY_NAME) product=$(define LORVANE_PRODUCT_NAME)
company=${company#\"} company=${company%\"} product=${product#\"} product=${product%\"}
file_version="$major.$minor.$build.$revision"

resources=$("$windres" -i "$exe" -O rc) || { echo "FAIL: $windres cannot read the resources of $exe"; exit 1; }
# A resource's block in windres's listing: from "NAME TYPE" to its END.
block() { sed -n "/^$1 $2\\b/,/^END/p" <<<"$resources"; }

manifest=$(block 1 24)
[[ -n $manifest ]] || fail "no RT_MANIFEST resource 1"
grep -q 'level=""requireAdministrator""' <<<"$manifest" || fail "the manifest does not ask for requireAdministrator"
grep -q 'Microsoft.Windows.Common-Controls' <<<"$manifest" || fail "the manifest does not ask for Common Controls 6"
grep -q "name=\"\"Lorvane.Lorvane\"\" version=\"\"$file_version\"\"" <<<"$manifest" ||
    fail "the manifest's assembly version is not $file_version"

[[ -n $(block 1 14) ]] || fail "no group icon 1 (the logo)"

version=$(block 1 VERSIONINFO)
[[ -n $version ]] || fail "no version information"
grep -qE "FILEVERSION $major, $minor, $build, $revision\$" <<<"$version" || fail "file version is not $file_version"
grep -qE 'VALUE "Translation", 0x411, 1200$' <<<"$version" || fail "translation is not Japanese, Unicode"
# windres writes texts outside ASCII as L"\xNNNN..."; printf's \u reads them back.
value() {
    local text
    text=$(sed -n "s/^[[:space:]]*VALUE \"$1\", L\\{0,1\\}\"\\(.*\\)\"\$/\\1/p" <<<"$version")
    printf "${text//\\x/\\u}"
}
[[ $(value CompanyName) == "$company" ]] || fail "CompanyName is '$(value CompanyName)', not '$company'"
[[ $(value ProductName) == "$product" ]] || fail "ProductName is '$(value ProductName)', not '$product'"
[[ $(value FileVersion) == "$file_version" ]] || fail "FileVersion is '$(value FileVersion)', not '$file_version'"

if ((failures > 0)); then
    echo "$exe: $failures problem(s)"
    exit 1
fi
echo "$exe: PE32+ x86-64 GUI program; imports $(echo $dlls); requireAdministrator manifest; version $file_version, $company"
