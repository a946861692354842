# Runs vardock.exe as a setup program would, against this machine's real IIS: ADD of "Mobile" on
# site 1 for C:\Web\Mobile, silently with a log; checks the application, its settings, and the
# registry; then DEL, and checks that all of it is gone. Used by .github/workflows/windows.yml.
# Exit status 1 when any check failed; the log is printed either way.
param(
  [Parameter(Mandatory)] [string] $Exe,
  [Parameter(Mandatory)] [string] $Log,
  # Which IIS objects Vardock should have used: IIS 7+'s own, or IIS 6's through "IISNamespace".
  [Parameter(Mandatory)] [ValidateSet('native', 'iis6')] [string] $Through
)
$Exe = (Resolve-Path $Exe).Path
$appcmd = "$env:windir\system32\inetsrv\appcmd.exe"
$app = 'Default Web Site/Mobile'
$key32 = 'HKLM:\SOFTWARE\WOW6432Node\Corvanel\Mobile'
$failed = 0

function Check([bool] $ok, [string] $what) {
  if ($ok) { "ok      $what" } else { "FAILED  $what"; $script:failed++ }
}
# A GUI-subsystem program: only Start-Process -Wait gives its exit status.
function Vardock([string] $arguments) {
  (Start-Process -FilePath $Exe -ArgumentList "$arguments /Q=1 /L=$Log" -Wait -PassThru).ExitCode
}
function Config([string] $section) { (& $appcmd list config $app "/section:$section") -join "`n" }
function AppListed { [bool]((& $appcmd list app) -match [regex]::Escape("APP `"$app`"")) }
function Remembered([string] $value) { (Get-ItemProperty $key32 -Name $value -ErrorAction SilentlyContinue).$value }

Remove-Item $Log -ErrorAction SilentlyContinue
New-Item -ItemType Directory -Force C:\Web\Mobile | Out-Null

"== ADD with $Exe"
Check ((Vardock '/N=Mobile /O=ADD /P=C:\Web\Mobile /S=1') -eq 0) 'exit status 0'
Check (AppListed) "appcmd lists the application $app"
Check ((& $appcmd list vdir "$app/" /text:physicalPath) -eq 'C:\Web\Mobile') 'its folder is C:\Web\Mobile'
$documents = Config 'system.webServer/defaultDocument'
$documents
Check ($documents -match 'value="Default.asp"' -and ([regex]::Matches($documents, '<add ').Count -eq 1)) 'Default.asp is the only default document'
Check ((Config 'system.webServer/asp') -match 'allowSessionState="true"') 'ASP session state on'
$errors = Config 'system.webServer/httpErrors'
$errors
Check ($errors -match 'statusCode="404"[^>]*path="/Mobile/AT2.asp"') '404 goes to /Mobile/AT2.asp'
$basic = Config 'system.webServer/security/authentication/basicAuthentication'
$basic
Check ($basic -match 'enabled="true"') 'basic authentication on'
Check ((Config 'system.webServer/security/authentication/anonymousAuthentication') -match 'enabled="false"') 'anonymous authentication off'
Check ((Remembered IISWebServer) -eq '1' -and (Remembered IISWebVirtualDir) -eq 'Mobile') "site and name remembered in $key32"
Check (-not (Test-Path 'HKLM:\SOFTWARE\Corvanel\Mobile')) 'nothing in the 64-bit registry view'

"== DEL"
Check ((Vardock '/N=Mobile /O=DEL') -eq 0) 'exit status 0'
Check (-not (AppListed)) 'the application is gone'
$config = "$env:windir\system32\inetsrv\config\applicationHost.config"
Check (-not (Select-String -Quiet -SimpleMatch -Path $config -Pattern "<location path=`"$app`"")) 'its location settings are gone'
Check ($null -eq (Remembered IISWebServer) -and $null -eq (Remembered IISWebVirtualDir)) 'site and name forgotten'

"== $Log"
Get-Content $Log
$objects = @{ native = '(Microsoft.ApplicationHost.WritableAdminManager)'; iis6 = '(IISNamespace)' }[$Through]
Check ([bool](Select-String -Quiet -SimpleMatch -Path $Log -Pattern "IIS is reached through the IIS")) 'the log names the IIS objects'
Check ([bool](Select-String -Quiet -SimpleMatch -Path $Log -Pattern $objects)) "they are $objects"
if ($failed) { "$failed checks failed"; exit 1 }
