#!/usr/bin/env bash
# The README's WiX example end to end: compiles examples/setup/vardock.wxi into a small product
# (product.wxs) with msitools' wixl, checks where its actions sit in the installation script, and
# installs and removes it with Wine's msiexec against the IIS stand-in registered in the prefix:
# install, an uninstall rolled back after DEL, uninstall, an install rolled back after ADD (also
# over the product's directory of an earlier installation), and an install whose ADD fails.
# usage: msi_test.sh VARDOCK_EXE   (WINEPREFIX: the test prefix, with the stand-in registered)
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
vardock=${1:?usage: msi_test.sh VARDOCK_EXE}
: "${WINEPREFIX:?WINEPREFIX must name the test prefix}"
for tool in wixl:wixl msiinfo:msitools; do
  command -v "${tool%%:*}" >/dev/null ||
    { echo "${tool%%:*} is missing (Debian package ${tool#*:}; bash scripts/test.sh installs it)"; exit 1; }
done

work=$PWD/msi-test
rm -rf "$work" && mkdir -p "$work/src"
# wixl takes File/@Source relative to where it runs.
cp "$here/../vardock.wxi" "$here/product.wxs" "$vardock" "$work/src/" || exit 1
echo '<%@ Language="VBScript" %>' >"$work/src/Default.asp"
(cd "$work/src" && wixl -a x64 -o ../example.msi product.wxs) || { echo "wixl failed"; exit 1; }
# wixl drops a rollback action's bits, "in the script" (1024) and "rollback" (256): put them back
# for the actions the example declares Execute="rollback", as WiX's own compiler writes them.
rollbacks=$(sed -nE 's/.*<CustomAction Id="([A-Za-z]+)".* Execute="rollback".*/\1/p' "$here/../vardock.wxi" "$here/product.wxs")
(
  cd "$work" || exit 1
  msiinfo export example.msi CustomAction >CustomAction.idt &&
    awk -F'\t' -v ids="$rollbacks" 'BEGIN { OFS = "\t"; split(ids, list, "\n"); for (i in list) rollback[list[i]] = 1 }
      NR > 3 && ($1 in rollback) && int($2 / 1024) % 2 == 0 { $2 += 1280 } { print }' CustomAction.idt >mended.idt &&
    mv mended.idt CustomAction.idt && msibuild example.msi -i CustomAction.idt
) || { echo "the CustomAction table could not be mended"; exit 1; }

failures=0
check() {  # DESCRIPTION COMMAND...: the command must succeed
  local what=$1
  shift
  if "$@"; then echo "ok   $what"; else echo "FAIL $what"; failures=$((failures + 1)); return 1; fi
}
expect_failure() {  # REASON DESCRIPTION COMMAND...: a check known to fail here, for REASON
  local reason=$1 what=$2
  shift 2
  if "$@"; then echo "ok   $what (expected to fail: $reason; it no longer does)"; else echo "xfail $what: $reason"; fi
}

# Where the actions sit: deferred actions run only inside the installation script, between
# InstallInitialize and InstallFinalize (Windows Installer refuses them elsewhere, error 2762).
msiinfo export "$work/example.msi" InstallExecuteSequence | tr -d '\r' >"$work/sequence.idt"
msiinfo export "$work/example.msi" CustomAction | tr -d '\r' >"$work/actions.idt"
column() { awk -F'\t' -v key="$1" -v n="$2" '$1 == key { print $n }' "$3"; }
in_order() {  # ACTION...: each is in the sequence, each after the one before
  local previous=-1 action n
  for action; do
    n=$(column "$action" 3 "$work/sequence.idt")
    [[ $n =~ ^[0-9]+$ ]] && ((n > previous)) || { echo "     $action at ${n:-no place}, after $previous"; return 1; }
    previous=$n
  done
}
check "VardockDelRollback, VardockDel: after InstallInitialize, before RemoveFiles" \
  in_order InstallInitialize VardockDelRollback VardockDel RemoveFiles
check "VardockAddRollback, VardockAdd: after InstallFiles, before InstallFinalize" \
  in_order InstallFiles VardockAddRollback VardockAdd InstallFinalize
# An installed program (18) in the script (1024) without impersonation (2048): 3090 with its status
# checked; 3410 a rollback action (256) whose status is ignored (64).
for row in VardockAdd:3090 VardockDel:3090 VardockAddRollback:3410 VardockDelRollback:3410; do
  action=${row%:*}
  check "$action: type ${row#*:}" test "$(column "$action" 2 "$work/actions.idt")" = "${row#*:}"
done
add_condition="NOT Installed" del_condition='REMOVE="ALL" AND NOT UPGRADINGPRODUCTCODE'
for row in "VardockAdd|$add_condition" "VardockAddRollback|$add_condition" \
           "VardockDel|$del_condition" "VardockDelRollback|$del_condition"; do
  IFS='|' read -r action condition <<<"$row"
  check "$action's condition: $condition" test "$(column "$action" 2 "$work/sequence.idt")" = "$condition"
done
# Each rollback action undoes its action, for the same name and into the same log: VardockDel's
# command with UNDOADD or UNDODEL for DEL.
del_command=$(column VardockDel 4 "$work/actions.idt")
check "VardockAddRollback runs UNDOADD" \
  test "$(column VardockAddRollback 4 "$work/actions.idt")" = "${del_command/\/O=DEL /\/O=UNDOADD }"
check "VardockDelRollback runs UNDODEL" \
  test "$(column VardockDelRollback 4 "$work/actions.idt")" = "${del_command/\/O=DEL /\/O=UNDODEL }"

system32=$WINEPREFIX/drive_c/windows/system32
installed="$WINEPREFIX/drive_c/Program Files/Vardock setup example"
vardock_log=$WINEPREFIX/drive_c/windows/temp/vardock.log
standin=$work/iis-standin.txt
CORVANEL_IIS_STANDIN=$(winepath -w "$standin" 2>/dev/null) && export CORVANEL_IIS_STANDIN || exit 1
server='domain "CORVANEL"
[W3SVC] IIsWebService
[W3SVC/AppPools] IIsApplicationPools
[W3SVC/1] IIsWebServer
ServerComment = "Default Web Site"
[W3SVC/1/ROOT] IIsWebVirtualDir'
reg() { wine "$system32/reg.exe" "$@" 2>/dev/null | tr -d '\r'; }
# Vardock's values: the 64-bit reg.exe sees the registry's 32-bit view under WOW6432Node.
value32() { reg query 'HKLM\Software\WOW6432Node\Corvanel\Mobile' /v "$1" | awk -v v="$1" '$1 == v { print $3 }'; }
no_values32() { [[ -z $(value32 IISWebServer)$(value32 IISWebVirtualDir) ]]; }
no_undo_record32() { [[ -z $(value32 UndoOperation)$(value32 UndoSite)$(value32 UndoName) ]]; }
no_key64() { ! reg query 'HKLM\Software\Corvanel\Mobile' >/dev/null; }
reg delete 'HKLM\Software\WOW6432Node\Corvanel\Mobile' /f >/dev/null
rm -rf "$installed" "$vardock_log"

# Runs msiexec with the arguments, without a window; $status is its exit status and
# $work/NAME.log its log as UTF-8 (Windows' msiexec writes UTF-16LE, Wine's the ANSI code page).
msiexec() {
  local name=$1
  shift
  wine "$system32/msiexec.exe" "$@" /qn /l*v "$(winepath -w "$work/$name-msiexec.log" 2>/dev/null)"
  status=$?
  if grep -qaP '\x00' "$work/$name-msiexec.log"; then
    iconv -f UTF-16 -t UTF-8 "$work/$name-msiexec.log"
  else
    cat "$work/$name-msiexec.log"
  fi | tr -d '\r' >"$work/$name.log"
}
msi=$(winepath -w "$work/example.msi" 2>/dev/null)
has() { grep -qF -- "$2" "$1"; }
lacks() { ! grep -qF -- "$2" "$1"; }
last_line_ends() { [[ $(tr -d '\r' <"$1" | tail -1) == *"$2" ]]; }
last_run_was() { [[ $(grep 'Vardock started' "$vardock_log" | tail -1) == *"$1"* ]]; }

echo "-- msiexec /i"
printf '%s\n' "$server" >"$standin"
msiexec install /i "$msi"
check "install: msiexec's status is 0 ($status)" test "$status" = 0
check "install: vardock.exe installed" test -f "$installed/vardock.exe"
check "install: the directory is on site 1" has "$standin" "[W3SVC/1/ROOT/Mobile] IIsWebVirtualDir"
path_setting='Path = "C:\\Program Files\\Vardock setup example\\Web\\"'
for setting in "$path_setting" 'DefaultDoc = "Default.asp"' \
               'AuthFlags = 2' 'AppIsolated = 2' 'AspAllowSessionState = true' '"404,*,URL,/Mobile/AT2.asp"'; do
  check "install: the directory's $setting" has "$standin" "$setting"
done
check "install: IISWebServer 1 in the 32-bit view" test "$(value32 IISWebServer)" = 1
check "install: IISWebVirtualDir Mobile in the 32-bit view" test "$(value32 IISWebVirtualDir)" = Mobile
check "install: nothing in the 64-bit view" no_key64
check "install: Vardock's log ends with status 0" last_line_ends "$vardock_log" "Finished with exit status 0."
check "install: Vardock ran ADD alone" test "$(grep -c 'Vardock started' "$vardock_log")" = 1

echo "-- msiexec /x, rolled back after DEL"
msiexec uninstall-rolled-back /x "$msi" FAIL_AFTER_DEL=1
check "rolled-back uninstall: msiexec reports a failure ($status)" test "$status" != 0
check "rolled-back uninstall: Vardock ran DEL, then UNDODEL" \
  test "$(grep -oE '/O=[A-Z]+' "$vardock_log" | paste -sd ' ')" = "/O=ADD /O=DEL /O=UNDODEL"
check "rolled-back uninstall: UNDODEL made the directory again for its folder" \
  has "$vardock_log" 'The Virtual Directory "Mobile" on web site 1 was made again for "C:\Program Files\Vardock setup example\Web\".'
check "rolled-back uninstall: vardock.exe still installed" test -f "$installed/vardock.exe"
check "rolled-back uninstall: the directory is on site 1 again" has "$standin" "$path_setting"
check "rolled-back uninstall: IISWebServer 1 again" test "$(value32 IISWebServer)" = 1
check "rolled-back uninstall: IISWebVirtualDir Mobile again" test "$(value32 IISWebVirtualDir)" = Mobile
check "rolled-back uninstall: Vardock's log ends with status 0" last_line_ends "$vardock_log" "Finished with exit status 0."

echo "-- msiexec /x"
msiexec uninstall /x "$msi"
check "uninstall: msiexec's status is 0 ($status)" test "$status" = 0
check "uninstall: the directory is gone" lacks "$standin" "/ROOT/Mobile]"
check "uninstall: the site's root stays" has "$standin" "[W3SVC/1/ROOT] IIsWebVirtualDir"
check "uninstall: the registry values are gone" no_values32
check "uninstall: Vardock's log ends with status 0" last_line_ends "$vardock_log" "Finished with exit status 0."
check "uninstall: Vardock's last run was DEL" last_run_was "/O=DEL"
check "uninstall: only the record of what DEL removed is left, for its undo" \
  test "$(value32 UndoOperation) $(value32 UndoSite) $(value32 UndoName)" = "DEL 1 Mobile"
check "uninstall: the installed files are gone" test ! -e "$installed/vardock.exe"

echo "-- msiexec /i, rolled back after ADD"
# Wine 8 removes the installed files before it runs an installation's rollback actions (measured:
# a rollback action listing the product's folder there finds it empty), so the example's
# VardockAddRollback has no vardock.exe to start; Windows Installer runs them first (the Windows
# workflow checks it there). The same UNDOADD runs here from a copy outside the product.
copy=$WINEPREFIX/drive_c/windows/temp/vardock-undo-copy.exe
cp "$vardock" "$copy"
msiexec install-rolled-back /i "$msi" FAIL_AFTER_ADD=1 UNDOADD_COPY="$(winepath -w "$copy" 2>/dev/null)"
check "rolled-back install: msiexec reports a failure ($status)" test "$status" != 0
check "rolled-back install: no installed files left" test -z "$(find "$installed" -type f 2>/dev/null)"
check "rolled-back install: Vardock ran UNDOADD after ADD" last_run_was "/O=UNDOADD"
check "rolled-back install: no directory on the site" lacks "$standin" "/ROOT/Mobile]"
check "rolled-back install: no registry values" no_values32
check "rolled-back install: no undo record left" no_undo_record32
check "rolled-back install: Vardock's log ends with status 0" last_line_ends "$vardock_log" "Finished with exit status 0."
# Each UNDOADD would run: the first undoes ADD, the second finds nothing left to undo.
expect_failure "Wine 8 removes the installed files before it runs an installation's rollback actions" \
  "rolled-back install: the example's VardockAddRollback started vardock.exe" \
  test "$(grep -c 'Vardock started: .*/O=UNDOADD' "$vardock_log")" = 2

echo "-- msiexec /i over the product's directory of an earlier installation, rolled back after ADD"
# ADD only pointed it at the new folder: the rollback points it back, and removes nothing.
old_path='Path = "C:\\Old\\Web"'  # as the stand-in's file writes a backslash
printf '%s\n%s\n%s\n' "$server" '[W3SVC/1/ROOT/Mobile] IIsWebVirtualDir' "$old_path" >"$standin"
for value in IISWebServer:1 IISWebVirtualDir:Mobile; do
  reg add 'HKLM\Software\WOW6432Node\Corvanel\Mobile' /v "${value%%:*}" /d "${value#*:}" /f >/dev/null
done
msiexec earlier-rolled-back /i "$msi" FAIL_AFTER_ADD=1 UNDOADD_COPY="$(winepath -w "$copy" 2>/dev/null)"
check "rolled-back install over an earlier one: msiexec reports a failure ($status)" test "$status" != 0
check "rolled-back install over an earlier one: the directory points at its old folder again" \
  has "$standin" "$old_path"
check "rolled-back install over an earlier one: UNDOADD pointed it back" \
  has "$vardock_log" 'The Virtual Directory "Mobile" on web site 1 points again at "C:\Old\Web".'
check "rolled-back install over an earlier one: the record stays" \
  test "$(value32 IISWebServer) $(value32 IISWebVirtualDir)" = "1 Mobile"
rm -f "$copy"
# What Wine leaves behind must not be taken for the next run's doing.
printf '%s\n' "$server" >"$standin"
reg delete 'HKLM\Software\WOW6432Node\Corvanel\Mobile' /f >/dev/null

echo "-- msiexec /i, with ADD failing"
printf 'fail create-fails\n%s\n' "$server" >"$standin"
msiexec failed /i "$msi"
# Windows Installer gives 1603; Wine's msiexec 91 (measured) for an installation rolled back.
check "failed install: msiexec reports a failure ($status)" test "$status" != 0
check "failed install: no installed files left" test -z "$(find "$installed" -type f 2>/dev/null)"
check "failed install: no directory on the site" lacks "$standin" "/ROOT/Mobile]"
check "failed install: no registry values" no_values32
# (The one failed run of the log: Windows Installer's rollback would add a DEL after it.)
check "failed install: Vardock's ADD ended with status 1" has "$vardock_log" "Finished with exit status 1."
check "failed install: Vardock's log names the failure" has "$vardock_log" "Unable to create or locate Virtual Directory Mobile."
# Return value 1 is success; Windows Installer logs 3 for a failure, Wine's 0.
check "failed install: msiexec's log has VardockAdd failing" grep -qE 'Action ended .*: VardockAdd\. Return value [^1]' "$work/failed.log"

echo
if ((failures)); then
  echo "$failures checks failed; msiexec's logs (UTF-8), the stand-in's file and Vardock's log: $work"
  cp -f "$vardock_log" "$work/" 2>/dev/null
  exit 1
fi
echo "every check passed"
