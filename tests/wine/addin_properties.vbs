' Late binding from a script client, with the ProgID spelled the way the
' component spells it at run time.
Option Explicit
Dim addIn, passed, failed
passed = 0 : failed = 0

Sub Check(condition, what)
    If condition Then
        passed = passed + 1
    Else
        failed = failed + 1
        WScript.Echo "Test failed: " & what
    End If
End Sub

Set addIn = CreateObject("vokAutosave412.CAddin")
Check addIn.Hidden = False, "Hidden is False"
Check addIn.IsInstalled = False, "IsInstalled is False before Install"
Check TypeName(addIn.name) = "String", "name is a text"
WScript.Echo passed & " passed, " & failed & " failed"
If failed > 0 Then WScript.Quit 1
