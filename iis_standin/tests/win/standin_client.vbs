' An independent client of the stand-in: Windows Script Host's VBScript, the way scripts drive
' IIS. cscript exits 0 even on an uncaught error, so every error is caught and printed.
On Error Resume Next
Sub Check(what)
  If Err.Number <> 0 Then WScript.Echo what & " failed " & Hex(Err.Number) : Err.Clear
End Sub

Set service = CreateObject("IISNamespace").GetObject("IISWebService", "127.0.0.1/w3svc")
Check "service"
For Each child In service
  If UCase(child.Class) = "IISWEBSERVER" Then WScript.Echo "site " & child.Name & " " & child.ServerComment
Next
Check "enumeration"

Set root = service.GetObject("IISWebServer", "5").GetObject("IISWebVirtualDir", "Root")
Set dir = root.Create("IISWebVirtualDir", "Mobile")
dir.AuthFlags = 2
dir.AspAllowSessionState = True
dir.AppCreate2 2
dir.SetInfo
errors = dir.HttpErrors
For i = LBound(errors) To UBound(errors)
  If Left(errors(i), 4) = "404," Then errors(i) = "404,*,URL,/Mobile/AT2.asp"
Next
dir.HttpErrors = errors
dir.SetInfo
Check "creation"

Set missing = root.GetObject("IISWebVirtualDir", "Phone")
WScript.Echo "missing " & Hex(Err.Number)
Err.Clear
root.Create "IISWebVirtualDir", "mobile"
WScript.Echo "again " & Hex(Err.Number)
Err.Clear
dir.AuthFlags = "2"
WScript.Echo "text flags " & Hex(Err.Number)
Err.Clear
WScript.Echo "domain " & CreateObject("WinNTSystemInfo").DomainName
Check "domain"
