' An independent client of the stand-in's native configuration objects, as setup scripts drive
' IIS 7+: default members, arguments by reference, and a commit retried while the file is busy.
On Error Resume Next
Sub Check(what)
  If Err.Number <> 0 Then WScript.Echo what & " failed " & Hex(Err.Number) & " " & Err.Description : Err.Clear
End Sub

Set manager = CreateObject("Microsoft.ApplicationHost.WritableAdminManager")
Set sites = manager.GetAdminSection("system.applicationHost/sites", "MACHINE/WEBROOT/APPHOST").Collection
Set site = sites(0)
WScript.Echo "site " & site.GetPropertyByName("name").Value & " " & CLng(site.GetPropertyByName("id").Value)
Set applications = site.Collection
Set application = applications.CreateNewElement("application")
application.GetPropertyByName("path").Value = "/Mobile"
applications.AddElement application
Set directory = application.Collection.CreateNewElement()
directory.GetPropertyByName("path").Value = "/"
directory.GetPropertyByName("physicalPath").Value = "C:\Web\Mobile"
application.Collection.AddElement directory
Check "application"

Set errors = manager.GetAdminSection("system.webServer/httpErrors", _
    "MACHINE/WEBROOT/APPHOST/Default Web Site/Mobile").Collection
found = -1
For i = 0 To CLng(errors.Count) - 1
  If CLng(errors.Item(i).GetPropertyByName("statusCode").Value) = 404 Then found = i
Next
WScript.Echo "404 at " & found
errors.DeleteElement found
Set entry = errors.CreateNewElement("error")
entry.GetPropertyByName("statusCode").Value = 404
entry.GetPropertyByName("path").Value = "/Mobile/AT2.asp"
entry.GetPropertyByName("responseMode").Value = "ExecuteURL"
errors.AddElement entry
Check "errors"
errors.AddElement entry
WScript.Echo "again " & Hex(Err.Number)
Err.Clear

For attempt = 1 To 3
  manager.CommitChanges
  WScript.Echo "commit " & Hex(Err.Number)
  If Err.Number = 0 Then Exit For
  Err.Clear
Next
