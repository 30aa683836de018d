' The harness's driver modules, as Python %-templates (each after its '#template line):
' DRIVER_HEAD and DRIVER_METHOD per method for a sample class, SCENARIO per scenario, LIVE_HEAD
' and LIVE_METHOD per method for the class of the live catalogue.
'#template DRIVER_HEAD
Option VBASupport 1
Option Explicit
Global PfObj As Object
Global PfTransactions As Boolean

Public Sub PfSetTransactions(ByVal On_ As Boolean)
    PfTransactions = On_
End Sub

Public Function PfSetup(ByVal Port As String, ByVal Db As String, ByVal Pwd As String, ByVal Dir As String) As String
    On Error GoTo Failed
    PfHost = "127.0.0.1": PfPort = Port: PfDb = Db: PfUser = "postgres": PfPassword = Pwd
    PfPsqlOdbc = False
    Set App = New PfApp
    App.Path = Dir & "/logs"
    Set PfObj = New %(cls)s
    PfObj.ConnectionString = "Provider=PfRun"
    PfSetup = "ok"
    Exit Function
Failed:
    PfSetup = "FAILED" & Chr(9) & Err.Number & Chr(9) & Err.Description
End Function

Public Function PfCount() As Long
    Dim C As Object, R As Object
    Set C = PfOpen()
    Set R = C.createStatement().executeQuery("SELECT count(*) FROM pf_calls")
    R.next()
    PfCount = R.getLong(1)
    C.close()
End Function

' The text of the last trace line with this tag.
Public Function PfLast(ByVal Tag As String) As String
    Dim L As Variant
    For Each L In Split(PfTrace, Chr(10))
        If Left(L, Len(Tag) + 1) = Tag & Chr(9) Then PfLast = Mid(L, Len(Tag) + 2)
    Next L
End Function

' The trace lines with these tags (a comma-separated list), tabs as blanks, each ended by ";".
Public Function PfLines(ByVal Tags As String) As String
    Dim L As Variant
    For Each L In Split(PfTrace, Chr(10))
        If InStr("," & Tags & ",", "," & Split(L & Chr(9), Chr(9))(0) & ",") > 0 Then PfLines = PfLines & Replace(L, Chr(9), " ") & ";"
    Next L
End Function

' The rows of the class's current recordset, first column, forwards and backwards.
Public Function PfRows() As String
    Dim S As String, B As String
    On Error GoTo Failed
    If PfObj.Recordset Is Nothing Then Exit Function
    If PfObj.Recordset.State = 0 Then Exit Function
    S = Chr(10) & "RS" & Chr(9) & PfObj.RecordCount & Chr(9)
    PfObj.MoveFirst
    Do While Not PfObj.EOF
        S = S & PfObj.Value(0) & ","
        PfObj.MoveNext
    Loop
    PfObj.MoveLast
    Do While Not PfObj.BOF
        B = PfObj.Value(0) & "," & B
        PfObj.MovePrevious
    Loop
    PfRows = S & Chr(9) & B
    Exit Function
Failed:
    PfRows = Chr(10) & "RS" & Chr(9) & "FAILED " & Err.Source & " " & Err.Description
End Function
'#template DRIVER_METHOD

Public Function T_%(name)s() As String
    Dim T As String, N0 As Long, N1 As Long, R As Variant
%(dims)s
    On Error GoTo Failed
    T = Chr(9)
    N0 = PfCount()
    N1 = N0
    If PfTransactions Then
%(assign)s
        PfObj.BeginTransaction
        R = PfObj.%(name)s(%(args)s)
        PfObj.SetAbort
        N1 = PfCount()
        PfObj.BeginTransaction
    End If
%(assign)s
    PfTrace = ""
    R = PfObj.%(name)s(%(args)s)
    If PfTransactions Then PfObj.SetComplete
    T_%(name)s = "RESULT" & T & PfLiteral(R, %(rtype)d) & Chr(10) & "COUNTS" & T & N0 & T & N1 & T & PfCount() %(argout)s %(retval)s & PfRows() & Chr(10) & PfTrace
    Exit Function
Failed:
    T_%(name)s = "FAILED" & T & Err.Number & T & Err.Description & Chr(10) & PfTrace
End Function
'#template SCENARIO

Public Function S_%(n)d() As String
    Dim S As String, R As Variant, N As Long, A As Long, C As Object
    On Error GoTo Failed
    PfTrace = ""
%(body)s
    S_%(n)d = S
    Exit Function
Failed:
    S_%(n)d = S & "|FAILED " & Err.Number & " " & Err.Description & Chr(10) & "trace:" & Chr(10) & PfTrace
End Function
'#template LIVE_HEAD

' Every row of the class's current recordset, every column, as literals.
Public Function PfTable() As String
    Dim S As String, C As Long
    On Error GoTo Failed
    If PfObj.Recordset Is Nothing Then Exit Function
    If PfObj.Recordset.State = 0 Then Exit Function
    PfObj.MoveFirst
    Do While Not PfObj.EOF
        S = S & Chr(10) & "ROW"
        For C = 0 To PfObj.Recordset.Fields.Count - 1
            S = S & Chr(9) & PfLiteral(PfObj.Value(C), PfObj.Recordset.Fields(C).Type_)
        Next C
        PfObj.MoveNext
    Loop
    PfTable = S
    Exit Function
Failed:
    PfTable = Chr(10) & "ROW" & Chr(9) & "FAILED " & Err.Description
End Function

Public Sub PfSetPsqlOdbc()
    PfPsqlOdbc = True
End Sub
'#template LIVE_METHOD

Public Function L_%(name)s() As String
    Dim T As String, R As Variant
%(dims)s
    On Error GoTo Failed
    T = Chr(9)
%(assign)s
    PfTrace = ""
%(begin)s
    R = PfObj.%(name)s(%(args)s)
    L_%(name)s = "RESULT" & T & PfLiteral(R, %(rtype)d) %(argout)s & PfTable() & Chr(10) & PfTrace
%(end)s
    Exit Function
Failed:
    L_%(name)s = "FAILED" & T & Err.Number & T & Err.Description & Chr(10) & PfTrace
End Function
