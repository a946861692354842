# The README's WiX example with Windows Installer itself, against this machine's real IIS: compiles
# examples/setup/tests/product.wxs (which includes examples/setup/vardock.wxi) with WiX v3, then
# installs and removes it with msiexec, twice rolled back by the product's failing action.
# Wine's msiexec never starts an installation's rollback action: this is where that is checked.
# Used by .github/workflows/windows.yml. Exit status 1 when any check failed.
param([Parameter(Mandatory)] [string] $Exe)
$Exe = (Resolve-Path $Exe).Path
$appcmd = "$env:windir\system32\inetsrv\appcmd.exe"
$app = 'Default Web Site/Mobile'
$key32 = 'HKLM:\SOFTWARE\WOW6432Node\Corvanel\Mobile'
$installed = "$env:ProgramFiles\Vardock setup example"
$vardockLog = "$env:windir\Temp\vardock.log"
$failed = 0

function Check([bool] $ok, [string] $what) {
  if ($ok) { "ok      $what" } else { "FAILED  $what"; $script:failed++ }
}
function AppListed { [bool]((& $appcmd list app) -match [regex]::Escape("APP `"$app`"")) }
function Remembered([string] $value) { (Get-ItemProperty $key32 -Name $value -ErrorAction SilentlyContinue).$value }
function Msiexec([string] $name, [string] $arguments) {
  $log = "$env:RUNNER_TEMP\msi-$name.log"
  (Start-Process msiexec.exe -ArgumentList "$arguments /qn /l*v `"$log`"" -Wait -PassThru).ExitCode
}

if (-not $env:WIX) { 'WiX v3 is not installed here (no WIX variable)'; exit 1 }
# File/@Source is relative to where candle and light run.
$work = "$env:RUNNER_TEMP\msi"
New-Item -ItemType Directory -Force $work | Out-Null
Copy-Item examples/setup/vardock.wxi, examples/setup/tests/product.wxs, $Exe $work
Set-Content "$work\Default.asp" '<%@ Language="VBScript" %>'
Push-Location $work
& "$env:WIX\bin\candle.exe" -nologo -arch x64 product.wxs
if ($LASTEXITCODE -ne 0) { exit 1 }
& "$env:WIX\bin\light.exe" -nologo -sval -out example.msi product.wixobj
if ($LASTEXITCODE -ne 0) { exit 1 }
Pop-Location
$msi = "$work\example.msi"
Remove-Item $vardockLog -ErrorAction SilentlyContinue

"== msiexec /i, rolled back after VardockAdd"
Check ((Msiexec install-rolled-back "/i `"$msi`" FAIL_AFTER_ADD=1") -eq 1603) 'msiexec exit status 1603'
Check (-not (Test-Path "$installed\vardock.exe")) 'no installed files'
Check (-not (AppListed)) 'no application left'
Check ($null -eq (Remembered IISWebServer)) 'no registry values left'
Check ($null -eq (Remembered UndoOperation)) 'no undo record left'
Check ((Select-String -Path $vardockLog -Pattern 'Vardock started: .*/O=UNDOADD' -Quiet) -eq $true) 'Vardock ran UNDOADD'

"== msiexec /i"
Check ((Msiexec install "/i `"$msi`"") -eq 0) 'msiexec exit status 0'
Check (AppListed) "the application $app"
Check ((Remembered IISWebServer) -eq '1' -and (Remembered IISWebVirtualDir) -eq 'Mobile') "site and name in $key32"

"== msiexec /x, rolled back after VardockDel"
Check ((Msiexec uninstall-rolled-back "/x `"$msi`" FAIL_AFTER_DEL=1") -eq 1603) 'msiexec exit status 1603'
Check (Test-Path "$installed\vardock.exe") 'still installed'
Check (AppListed) 'the application is back'
Check ((Remembered IISWebServer) -eq '1' -and (Remembered IISWebVirtualDir) -eq 'Mobile') 'site and name remembered again'
Check ((& $appcmd list vdir "$app/" /text:physicalPath) -eq "$installed\Web\") 'the application serves the product''s folder again'

"== msiexec /x"
Check ((Msiexec uninstall "/x `"$msi`"") -eq 0) 'msiexec exit status 0'
Check (-not (AppListed)) 'the application is gone'
Check ($null -eq (Remembered IISWebServer)) 'site and name forgotten'

"== $vardockLog"
Get-Content $vardockLog -ErrorAction SilentlyContinue
if ($failed) { "$failed checks failed; msiexec's logs: $env:RUNNER_TEMP\msi-*.log"; exit 1 }
