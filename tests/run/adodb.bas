'#module PfRt
' Run-time support of the harness: the SDBC link to the test database, value literals,
' the trace of every command the stand-in runs, and the globals Visual Basic has and
' LibreOffice Basic lacks.
Option Explicit
Public Const vbObjectError As Long = -2147221504
Public Const vbLogToNT As Long = 3
Public Const vbLogEventTypeError As Long = 1
' The ADO constants the classes use, as ADO's type library defines them.
Public Const adEmpty = 0, adSmallInt = 2, adInteger = 3, adBigInt = 20, adUnsignedTinyInt = 17, adSingle = 4
Public Const adDouble = 5, adCurrency = 6, adNumeric = 131, adBoolean = 11, adGUID = 72, adDate = 7, adDBDate = 133
Public Const adDBTime = 134, adDBTimeStamp = 135, adChar = 129, adVarChar = 200, adLongVarChar = 201, adWChar = 130
Public Const adVarWChar = 202, adLongVarWChar = 203, adBinary = 128, adVarBinary = 204, adLongVarBinary = 205
Public Const adParamInput = 1, adParamOutput = 2, adParamInputOutput = 3, adParamReturnValue = 4, adCmdText = 1
Public Const adCmdStoredProc = 4, adStateClosed = 0, adStateOpen = 1, adStateConnecting = 2, adStateExecuting = 4
Public Const adStateFetching = 8, adUseClient = 3, adOpenForwardOnly = 0, adLockReadOnly = 1, adPersistXML = 1
Public Const adReadAll = -1
' Global, not Public: LibreOffice resets Public variables whenever a macro starts.
Global PfHost As String, PfPort As String, PfDb As String, PfUser As String, PfPassword As String
Global PfTrace As String
Global PfContext As Object
' True when the class talks to PostgreSQL through psqlODBC: commands are read as that driver
' reads them (below), not as SQL Server's or Oracle's provider would.
Global PfPsqlOdbc As Boolean
Global App As Object

Public Function PfOpen() As Object
    Dim Props(1) As New com.sun.star.beans.PropertyValue
    Props(0).Name = "user": Props(0).Value = PfUser
    Props(1).Name = "password": Props(1).Value = PfPassword
    Set PfOpen = CreateUnoService("org.openoffice.comp.connectivity.pq.Driver.noext").connect( _
        "sdbc:postgresql:host=" & PfHost & " port=" & PfPort & " dbname=" & PfDb, Props())
End Function

Public Sub PfLog(ByVal Line As String)
    PfTrace = PfTrace & Line & Chr(10)
End Sub

' A value as the text of a SQL literal the server converts to the type it expects.
Public Function PfLiteral(ByVal V As Variant, ByVal AdoType As Long) As String
    Dim S As String, I As Long
    If IsMissing(V) Then V = Null
    If IsNull(V) Or IsEmpty(V) Then PfLiteral = "NULL": Exit Function
    Select Case AdoType
    Case 7, 133, 134, 135
        S = Format(Year(V), "0000") & "-" & Format(Month(V), "00") & "-" & Format(Day(V), "00") & " " & _
            Format(Hour(V), "00") & ":" & Format(Minute(V), "00") & ":" & Format(Second(V), "00")
    Case 11
        If CBool(V) Then S = "true" Else S = "false"
    Case 2, 3, 4, 5, 6, 14, 16, 17, 18, 19, 20, 21, 131, 139
        ' Through Double: LibreOffice's Str writes a Currency with four decimals.
        S = Trim(Str(CDbl(V)))
    Case 128, 204, 205
        If IsArray(V) Then
            S = "\x"
            For I = LBound(V) To UBound(V)
                S = S & Right("0" & Hex(V(I) And 255), 2)
            Next I
        Else
            S = CStr(V)
        End If
    Case Else
        S = CStr(V)
    End Select
    PfLiteral = "'" & Replace(S, "'", "''") & "'"
End Function

' A text the server returned, converted to the Basic value of an ADO type.
Public Function PfValue(ByVal S As String, ByVal AdoType As Long) As Variant
    Select Case AdoType
    Case 2, 3, 16, 17, 18, 19
        PfValue = CLng(Val(S))
    Case 4, 5, 6, 14, 20, 21, 131, 139
        PfValue = CDbl(Val(S))
    Case 11
        PfValue = (S = "t" Or S = "true" Or S = "1")
    Case 7, 133, 134, 135
        PfValue = DateSerial(Val(Mid(S, 1, 4)), Val(Mid(S, 6, 2)), Val(Mid(S, 9, 2)))
        If Len(S) >= 19 Then PfValue = PfValue + TimeSerial(Val(Mid(S, 12, 2)), Val(Mid(S, 15, 2)), Val(Mid(S, 18, 2)))
    Case Else
        PfValue = S
    End Select
End Function

' The ADO type of a column the server describes with an SDBC type code.
Public Function PfAdoType(ByVal SdbcType As Long) As Long
    Select Case SdbcType
    Case 4: PfAdoType = 3
    Case 5, -6: PfAdoType = 2
    Case -5: PfAdoType = 20
    Case 2, 3: PfAdoType = 131
    Case 6, 8: PfAdoType = 5
    Case 7: PfAdoType = 4
    Case 91: PfAdoType = 133
    Case 92: PfAdoType = 134
    Case 93: PfAdoType = 135
    Case -7, 16: PfAdoType = 11
    Case -2, -3, -4: PfAdoType = 204
    Case Else: PfAdoType = 200
    End Select
End Function

' Raises the error of a failed call into the server as ADO reports a provider error.
Public Sub PfRaise(ByVal Conn As Object, ByVal Source As String, ByVal Description As String)
    Dim S As String, P As Long
    S = Description
    P = InStr(S, "Message: ")
    If P > 0 Then S = Mid(S, P + 9)
    P = InStr(S, Chr(10))
    If P > 0 Then S = Left(S, P - 1)
    P = InStr(S, "ERROR:  ")
    If P > 0 Then S = Mid(S, P + 8)
    S = Trim(S)
    If Not Conn Is Nothing Then Conn.Errors.Add S
    PfLog "ERROR" & Chr(9) & S
    Err.Raise -2147217900, Source, S
End Sub

' Runs a command: a stored procedure as a call of the server function of that name, a
' text as the statements it holds (EXEC of a procedure becomes a call). Every command, its
' parameters and what came back go to the trace.
Public Sub PfRunCommand(ByVal Cmd As Object, ByVal Rs As Object)
    Dim Conn As Object, I As Long, P As Object, T As String
    T = Chr(9)
    Set Conn = Cmd.ActiveConnection
    If Not Conn Is Nothing Then
        If Conn.State = 0 Then Set Conn = Nothing
    End If
    If Conn Is Nothing Then Err.Raise 3709, "ADODB.Command", "The connection cannot be used to perform this operation. It is either closed or invalid in this context."
    PfLog "CMD" & T & Cmd.CommandType & T & Cmd.CommandText
    For I = 0 To Cmd.Parameters.Count - 1
        Set P = Cmd.Parameters(I)
        PfLog "PRM" & T & P.Name & T & P.Type_ & T & P.Direction & T & P.Size & T & PfLiteral(P.Value, P.Type_)
    Next I
    On Error GoTo Failed
    If Cmd.CommandType = 4 Then
        PfCall Conn, Cmd.CommandText, "", Cmd, Rs
    Else
        PfRunText Conn, Cmd, Rs
    End If
    For I = 0 To Cmd.Parameters.Count - 1
        Set P = Cmd.Parameters(I)
        If P.Direction <> 1 Then PfLog "OUT" & T & P.Name & T & PfLiteral(P.Value, P.Type_)
    Next I
    Exit Sub
Failed:
    PfRaise Conn, "Microsoft OLE DB Provider for SQL Server", Error$
End Sub

' Calls the server function Name. Arguments are the command's input and input-output
' parameters by position (output-only ones are not arguments of a server function) unless ArgText gives them. What comes back depends on the
' function's declaration: output arguments fill the output parameters by name, a set of
' rows fills the recordset, cursors become one result set each, a single value is the
' return value.
Public Sub PfCall(ByVal Conn As Object, ByVal Name As String, ByVal ArgText As String, ByVal Cmd As Object, ByVal Rs As Object)
    Dim Schema As String, Info As Object, Kind As String, SQL As String, I As Long, P As Object
    Dim Res As Object, Cursors As Collection, Own As Boolean, Extra As Object, Meta As Object
    ' [name] with "]" doubled inside (SQL Server), "name" (Access), or schema.name.
    If Left(Name, 1) = "[" And Right(Name, 1) = "]" Then
        Name = Replace(Mid(Name, 2, Len(Name) - 2), "]]", "]")
    ElseIf Left(Name, 1) = """" And Right(Name, 1) = """" And Len(Name) > 1 Then
        Name = Replace(Mid(Name, 2, Len(Name) - 2), """""", """")
    Else
        I = InStr(Name, ".")
        If I > 0 Then Schema = Left(Name, I - 1): Name = Mid(Name, I + 1)
    End If
    SQL = "SELECT n.nspname, p.proname, p.proretset, t.typname, coalesce(array_to_string(p.proargmodes, ''), '') " & _
        "FROM pg_proc p JOIN pg_type t ON t.oid = p.prorettype JOIN pg_namespace n ON n.oid = p.pronamespace " & _
        "WHERE lower(p.proname) = lower('" & Replace(Name, "'", "''") & "') AND n.nspname " & _
        IIf(Schema = "", "= 'public'", "ILIKE '" & Replace(Schema, "'", "''") & "'") & _
        " ORDER BY p.proname = '" & Replace(Name, "'", "''") & "' DESC"
    Set Info = Conn.Sdbc.createStatement().executeQuery(SQL)
    If Not Info.next() Then Err.Raise -2147217900, "PfRt", "Could not find stored procedure '" & Name & "'."
    SQL = """" & Info.getString(1) & """.""" & Info.getString(2) & """("
    Kind = Info.getString(4)
    If InStr(Info.getString(5), "o") > 0 Or InStr(Info.getString(5), "b") > 0 Then Kind = "out"
    If ArgText <> "" And InStr(ArgText, "=>") = 0 Then ArgText = PfInArgs(ArgText, Info.getString(5))
    If Info.getBoolean(3) And Kind <> "refcursor" Then Kind = "rows"
    If ArgText = "" And Not Cmd Is Nothing Then
        For I = 0 To Cmd.Parameters.Count - 1
            Set P = Cmd.Parameters(I)
            If P.Direction = 1 Or P.Direction = 3 Then
                If ArgText <> "" Then ArgText = ArgText & ", "
                ArgText = ArgText & PfLiteral(P.Value, P.Type_) & PfPgCast(P.Type_)
            End If
        Next I
    End If
    SQL = "SELECT * FROM " & SQL & ArgText & ")"
    PfLog "SQL" & Chr(9) & SQL
    ' psqlODBC fetches a returned cursor only inside a transaction (FetchRefcursors=1); the
    ' other servers' stand-ins read it on their own.
    If Kind = "refcursor" And PfPsqlOdbc And Not Conn.InTrans Then _
        Err.Raise -2147217900, "PfRt", "Query must be executed in a transaction"
    Own = (Kind = "refcursor" And Not Conn.InTrans)
    If Own Then Conn.Sdbc.createStatement().execute("BEGIN")
    Set Res = Conn.Sdbc.createStatement().executeQuery(SQL)
    Select Case Kind
    Case "rows", "record"
        Rs.Fill Res
        PfSetReturn Cmd, 0
    Case "refcursor"
        If PfPsqlOdbc And Not Conn.FetchRefcursors Then
            Rs.Fill Res
            Exit Sub
        End If
        Set Cursors = New Collection
        Do While Res.next()
            Cursors.Add Res.getString(1)
        Loop
        For I = 1 To Cursors.Count
            Set Res = Conn.Sdbc.createStatement().executeQuery("FETCH ALL FROM """ & Cursors.Item(I) & """")
            If I = 1 Then
                Rs.Fill Res
            Else
                Set Extra = New ADODB.Recordset
                Set Extra.ActiveConnection = Conn
                Set Extra.ActiveCommand = Cmd
                Extra.MaxRecords = Rs.MaxRecords
                Extra.Fill Res
                Rs.Pending.Add Extra
            End If
        Next I
        PfSetReturn Cmd, 0
    Case "out"
        Set Meta = Res.getMetaData()
        If Res.next() And Not Cmd Is Nothing Then
            For I = 1 To Meta.getColumnCount()
                Set P = PfOutParam(Cmd, Meta.getColumnName(I))
                If Not P Is Nothing Then
                    P.Value = Res.getString(I)
                    If Res.wasNull() Then P.Value = Null Else P.Value = PfValue(P.Value, P.Type_)
                End If
            Next I
        End If
    Case "void"
        PfSetReturn Cmd, 0
    Case Else
        If Res.next() Then
            PfSetReturn Cmd, Res.getString(1)
            If Res.wasNull() Then PfSetReturn Cmd, Null
        End If
    End Select
    If Own Then Conn.Sdbc.createStatement().execute("COMMIT")
End Sub

' The arguments of a call's text, split at the commas outside quotes.
Private Function PfArgList(ByVal ArgText As String) As Variant
    Dim I As Long, InQuote As Boolean
    For I = 1 To Len(ArgText)
        If Mid(ArgText, I, 1) = "'" Then InQuote = Not InQuote
        If Mid(ArgText, I, 1) = "," And Not InQuote Then Mid(ArgText, I, 1) = Chr(1)
    Next I
    PfArgList = Split(ArgText, Chr(1))
End Function

' A batch passes every argument of a call, output ones as variables; a server function takes
' only its input and input-output arguments (modes i and b, all when there are no modes).
Private Function PfInArgs(ByVal ArgText As String, ByVal Modes As String) As String
    Dim N As Long, Piece As Variant, Out As String
    For Each Piece In PfArgList(ArgText)
        N = N + 1
        If Modes = "" Or InStr("ib", Mid(Modes & "i", N, 1)) > 0 Then Out = Out & ", " & Trim(Piece)
    Next Piece
    PfInArgs = Mid(Out, 3)
End Function

Private Sub PfSetReturn(ByVal Cmd As Object, ByVal V As Variant)
    Dim P As Object
    If Cmd Is Nothing Then Exit Sub
    If Cmd.Parameters.Count = 0 Then Exit Sub
    Set P = Cmd.Parameters(0)
    If P.Direction <> 4 Then Exit Sub
    If IsNull(V) Then P.Value = Null Else P.Value = PfValue(CStr(V), P.Type_)
End Sub

' The output parameter a result column fills: "return_value" the return value, any other
' column the output parameter of that name without its "@" or ":" prefix.
Private Function PfOutParam(ByVal Cmd As Object, ByVal Column As String) As Object
    Dim I As Long, P As Object, N As String
    For I = 0 To Cmd.Parameters.Count - 1
        Set P = Cmd.Parameters(I)
        N = LCase(P.Name)
        If Left(N, 1) = "@" Or Left(N, 1) = ":" Then N = Mid(N, 2)
        If (P.Direction = 4 And LCase(Column) = "return_value") Or (P.Direction <> 1 And P.Direction <> 4 And N = LCase(Column)) Then
            Set PfOutParam = P
            Exit Function
        End If
    Next I
End Function

' A text command: "?" marks take the command's parameters in order; statements are split
' at ";" line ends; a batch's declarations are dropped and its variables passed as NULL;
' EXEC name args (or name(args) in a PL/SQL block) calls the function; the first
' statement that returns rows fills the recordset and later ones wait as next results.
Public Sub PfRunText(ByVal Conn As Object, ByVal Cmd As Object, ByVal Rs As Object)
    Dim SQL As String, Parts As Variant, I As Long, J As Long, S As String, Vars As New Collection
    Dim Stmt As Object, Target As Object, Filled As Boolean, W As Variant, Name As String, Args As String
    SQL = Cmd.CommandText
    If PfPsqlOdbc Then
        PfRunOdbcCall Conn, Cmd, Rs
        Exit Sub
    End If
    J = 0
    ' A function call "Begin ? := F(?, ...); End;": the first mark is the return value.
    If Left(SQL, 11) = "Begin ? := " And Right(SQL, 6) = "; End;" Then
        SQL = Mid(SQL, 12, Len(SQL) - 17)
        If InStr(SQL, "(") = 0 Then SQL = SQL & "()"
        If Cmd.Parameters.Count > 0 Then J = 1
    End If
    SQL = Replace(PfMarks(SQL, Cmd, J), Chr(13), "")
    Parts = Split(SQL, ";" & Chr(10))
    For I = LBound(Parts) To UBound(Parts)
        S = Trim(Replace(Parts(I), Chr(10), " "))
        If Right(S, 1) = ";" Then S = Trim(Left(S, Len(S) - 1))
        If LCase(Left(S, 6)) = "begin " Then S = Trim(Mid(S, 7))
        If LCase(Left(S, 8)) = "declare " Then S = Trim(Mid(S, 9))
        ' A block of its own, "Declare v T; Begin v := F(...); End", declares v for the call.
        J = InStr(LCase(S), "; begin ")
        If J > 0 Then Vars.Add Split(S, " ")(0): S = Trim(Mid(S, J + 8))
        If LCase(Left(S, 6)) = "begin " Then S = Trim(Mid(S, 7))
        If LCase(Right(S, 5)) = "; end" Then S = Trim(Left(S, Len(S) - 5))
        W = Split(S, " ")
        If UBound(W) >= 2 Then
            ' "result := F(...)": the call of a function in a PL/SQL block, which assigns
            ' only to a declared variable (Oracle: PLS-00363 for anything else)
            If W(1) = ":=" Then
                If Not PfIsVar(W(0), Vars) Then PfRaise Conn, "Oracle", "PLS-00363: expression '" & W(0) & _
                    "' cannot be used as an assignment target"
                S = Trim(Mid(S, InStr(S, ":=") + 2)): W = Split(S, " ")
            End If
        End If
        If S = "" Or LCase(S) = "null" Or LCase(S) = "end" Or LCase(S) = "begin" Then
        ElseIf LCase(W(0)) = "set" Then
        ElseIf UBound(W) >= 1 And LCase(W(0)) <> "exec" And LCase(W(0)) <> "select" And LCase(W(0)) <> "insert" And LCase(W(0)) <> "update" And LCase(W(0)) <> "delete" And InStr(W(0), "(") = 0 Then
            Vars.Add W(0)
        Else
            If LCase(W(0)) = "exec" Then
                S = Trim(Mid(S, 6))
                J = InStr(S & " ", " ")
                Name = Left(S, J - 1)
                Args = PfNullVars(Trim(Mid(S, J)), Vars)
            ElseIf InStr(W(0), "(") > 0 Then
                J = InStr(S, "(")
                Name = Left(S, J - 1)
                Args = PfNullVars(Mid(S, J + 1, Len(S) - J - 1), Vars)
            Else
                Name = ""
            End If
            If Filled Then
                Set Target = New ADODB.Recordset
                Set Target.ActiveConnection = Conn
                Set Target.ActiveCommand = Cmd
            Else
                Set Target = Rs
            End If
            If Name <> "" Then
                If Args = "" Then Args = " "
                PfCall Conn, Name, Args, Cmd, Target
            Else
                PfLog "SQL" & Chr(9) & S
                Set Stmt = Conn.Sdbc.createStatement()
                If Stmt.execute(S) Then Target.Fill Stmt.getResultSet()
            End If
            If Target.State = 1 Then
                If Filled Then Rs.Pending.Add Target
                Filled = True
            End If
        End If
    Next I
End Sub

' A text command as psqlODBC runs it. "{? = call f(?)}" and "{call f(?, ?)}" call the
' function f with the command's input and input-output parameters (the first "?" of the
' first form is the return value). "CALL p(?, ?)" runs as it is written, each "?" taking the
' next parameter's value, and the row it returns fills the output and input-output
' parameters in their order. Anything else runs as one statement, its rows filling the
' recordset.
Private Sub PfRunOdbcCall(ByVal Conn As Object, ByVal Cmd As Object, ByVal Rs As Object)
    Dim SQL As String, I As Long, J As Long, Stmt As Object, Res As Object, P As Object, Args As String
    SQL = Trim(Cmd.CommandText)
    If Left(SQL, 1) = "{" And Right(SQL, 1) = "}" Then
        SQL = Trim(Mid(SQL, 2, Len(SQL) - 2))
        If Left(SQL, 1) = "?" Then SQL = Trim(Mid(Trim(Mid(SQL, 2)), 2)): J = 1
        If LCase(Left(SQL, 5)) <> "call " Then Err.Raise -2147217900, "PfRt", "Syntax error in the call escape: " & Cmd.CommandText
        SQL = Trim(Mid(SQL, 6))
        I = InStr(SQL, "(")
        ' Arguments passed by name ("p_x => ?") go as the call writes them, each "?" taking
        ' the next parameter's value.
        If I > 0 And InStr(SQL, "=>") > 0 Then Args = PfMarks(Mid(SQL, I + 1, Len(SQL) - I - 1), Cmd, J)
        If I > 0 Then SQL = Left(SQL, I - 1)
        PfCall Conn, SQL, Args, Cmd, Rs
        Exit Sub
    End If
    SQL = PfMarks(SQL, Cmd, 0)
    PfLog "SQL" & Chr(9) & SQL
    Set Stmt = Conn.Sdbc.createStatement()
    If Not Stmt.execute(SQL) Then Exit Sub
    Set Res = Stmt.getResultSet()
    If LCase(Left(SQL, 5)) <> "call " Then
        Rs.Fill Res
        Exit Sub
    End If
    If Not Res.next() Then Exit Sub
    J = 0
    For I = 0 To Cmd.Parameters.Count - 1
        Set P = Cmd.Parameters(I)
        If P.Direction = 2 Or P.Direction = 3 Then
            J = J + 1
            P.Value = Res.getString(J)
            If Res.wasNull() Then P.Value = Null Else P.Value = PfValue(P.Value, P.Type_)
        End If
    Next I
End Sub

' psqlODBC binds a parameter with the server type of its ODBC type, and the server picks an
' overloaded function by those types: the cast that gives a literal the same type. Other
' providers' literals take the type the function expects (empty).
Private Function PfPgCast(ByVal AdoType As Long) As String
    If Not PfPsqlOdbc Then Exit Function
    Select Case AdoType
    Case 2, 16, 17: PfPgCast = "::smallint"
    Case 3, 18: PfPgCast = "::integer"
    Case 19, 20, 21: PfPgCast = "::bigint"
    Case 4: PfPgCast = "::real"
    Case 5: PfPgCast = "::double precision"
    Case 6: PfPgCast = "::money"
    Case 14, 131, 139: PfPgCast = "::numeric"
    Case 11: PfPgCast = "::boolean"
    Case 7, 133: PfPgCast = "::date"
    Case 134: PfPgCast = "::time"
    Case 135: PfPgCast = "::timestamp"
    Case 72: PfPgCast = "::uuid"
    Case 128, 204, 205: PfPgCast = "::bytea"
    Case 201, 203: PfPgCast = "::text"
    Case Else: PfPgCast = "::varchar"
    End Select
End Function

' The command's parameters from the J-th (from 0) on, as literals in place of the "?" marks of SQL.
Private Function PfMarks(ByVal SQL As String, ByVal Cmd As Object, ByVal J As Long) As String
    Dim I As Long, S As String
    I = InStr(SQL, "?")
    Do While I > 0 And J < Cmd.Parameters.Count
        S = PfLiteral(Cmd.Parameters(J).Value, Cmd.Parameters(J).Type_) & PfPgCast(Cmd.Parameters(J).Type_)
        SQL = Left(SQL, I - 1) & S & Mid(SQL, I + 1)
        J = J + 1
        I = InStr(I + Len(S), SQL, "?")
    Loop
    PfMarks = SQL
End Function

Private Function PfIsVar(ByVal Name As String, ByVal Vars As Collection) As Boolean
    Dim V As Variant
    For Each V In Vars
        If LCase(V) = LCase(Name) Then PfIsVar = True
    Next V
End Function

' Batch arguments: " OUTPUT" dropped, a declared variable passed as NULL, a number quoted
' so that the server converts it to the argument's type (a batch writes bits as 1 and 0).
' A text literal is read as SQL Server reads it: N'...' keeps every character, '...' is
' in the database's code page (Latin-1 here), where any other character becomes "?".
Private Function PfNullVars(ByVal Args As String, ByVal Vars As Collection) As String
    Dim A As Variant, S As String, K As Long, Out As String
    For Each A In PfArgList(Args)
        S = Trim(A)
        If LCase(Right(S, 7)) = " output" Then S = Trim(Left(S, Len(S) - 7))
        If Left(S, 2) = "N'" Then
            S = Mid(S, 2)
        ElseIf Left(S, 1) = "'" Then
            For K = 1 To Len(S)
                If AscW(Mid(S, K, 1)) > 255 Or AscW(Mid(S, K, 1)) < 0 Then Mid(S, K, 1) = "?"
            Next K
        End If
        If PfIsVar(S, Vars) Then S = "NULL"
        If IsNumeric(S) Then S = "'" & S & "'"
        Out = Out & ", " & S
    Next A
    PfNullVars = Mid(Out, 3)
End Function

' The constant vbBack, which LibreOffice lacks.
Public Function vbBack() As String
    vbBack = Chr(8)
End Function

' The first column of the first row a query returns, on a connection of its own.
Public Function PfQuery(ByVal SQL As String) As String
    Dim C As Object, R As Object
    Set C = PfOpen()
    Set R = C.createStatement().executeQuery(SQL)
    If R.next() Then PfQuery = R.getString(1)
    C.close()
End Function

' The text of a file; empty when there is none.
Public Function PfFileText(ByVal Path As String) As String
    Dim F As Integer, L As String
    On Error GoTo Missing
    F = FreeFile
    Open Path For Input As #F
    Do While Not EOF(F)
        Line Input #F, L
        PfFileText = PfFileText & L & Chr(10)
    Loop
    Close #F
Missing:
End Function

' IsObject as Visual Basic answers it: False for a missing Optional argument.
Public Function PfIsObject(Optional ByVal V As Variant) As Boolean
    If Not IsMissing(V) Then PfIsObject = IsObject(V)
End Function

' Debug.Assert: stops nothing in a headless run.
Public Sub PfAssert(ByVal Cond As Variant)
End Sub

' The COM+ object context when the harness plays a COM+ host, else Nothing.
Public Function GetObjectContext() As Object
    Set GetObjectContext = PfContext
End Function
'#class ADODB.Connection
Option Explicit
Public CursorLocation As Long, ConnectionTimeout As Long, CommandTimeout As Long
Public ConnectionString As String, Provider As String
Public State As Long
Public Errors As Object
Public Sdbc As Object
Public InTrans As Boolean
' psqlODBC's FetchRefcursors: without it a function's cursor comes back as its name.
Public FetchRefcursors As Boolean

Private Sub Class_Initialize()
    Set Errors = New ADODB.Errors
    ConnectionTimeout = 15
    CommandTimeout = 30
End Sub

Public Property Get Version() As String
    Version = "2.8"
End Property

' "Provider=PfRun" (set up as the class needs it), and for a PostgreSQL class a psqlODBC string,
' reach the test database; anything else fails as a provider that cannot be found.
Public Sub DoOpen(Optional ByVal ConnStr As Variant, Optional ByVal User As Variant, Optional ByVal Pwd As Variant, Optional ByVal Opts As Variant)
    Dim Keys As String
    If Not IsMissing(ConnStr) Then ConnectionString = ConnStr
    PfLog "OPEN" & Chr(9) & ConnectionString
    Keys = ";" & LCase(Replace(ConnectionString, " ", ""))
    FetchRefcursors = InStr(Keys, ";provider=pfrun") = 1 Or InStr(Keys, ";fetchrefcursors=1") > 0
    If InStr(Keys, ";provider=pfrun") <> 1 And Not (PfPsqlOdbc And InStr(Keys, ";driver={postgresql") > 0 And _
        (InStr(Keys, ";provider=") = 0 Or InStr(Keys, ";provider=msdasql") > 0)) Then
        Err.Raise 3706, "ADODB.Connection", "Provider cannot be found. It may not be properly installed."
    End If
    On Error GoTo Failed
    Set Sdbc = PfOpen()
    State = 1
    Exit Sub
Failed:
    PfRaise Me, "ADODB.Connection", Error$
End Sub

Public Sub DoClose()
    If State = 0 Then Err.Raise 3704, "ADODB.Connection", "Operation is not allowed when the object is closed."
    If InTrans Then RollbackTrans
    Sdbc.close()
    Set Sdbc = Nothing
    State = 0
    PfLog "CLOSE"
End Sub

Public Function BeginTrans() As Long
    Run "BEGIN"
    InTrans = True
    BeginTrans = 1
End Function

Public Sub CommitTrans()
    Run "COMMIT"
    InTrans = False
End Sub

Public Sub RollbackTrans()
    Run "ROLLBACK"
    InTrans = False
End Sub

Private Sub Run(ByVal SQL As String)
    If State = 0 Then Err.Raise 3704, "ADODB.Connection", "Operation is not allowed when the object is closed."
    PfLog "TRANS" & Chr(9) & SQL
    Sdbc.createStatement().execute(SQL)
End Sub

' Runs a text command; returns its recordset.
Public Function Execute(ByVal SQL As String, Optional RecordsAffected As Variant, Optional ByVal Options As Variant) As Object
    Dim Rs As New ADODB.Recordset
    Rs.DoOpen SQL, Me
    Set Execute = Rs
End Function
'#class ADODB.Errors
Option Explicit
Private mItems As New Collection

Public Sub Add(ByVal Description As String)
    Dim E As New ADODB.Error
    E.Description = Description
    E.Number = -2147217900
    mItems.Add E
End Sub

Public Property Get Count() As Long
    Count = mItems.Count
End Property

Public Function Item(ByVal Index As Long) As Object
    Set Item = mItems.Item(Index + 1)
End Function

Public Sub Clear()
    Set mItems = New Collection
End Sub
'#class ADODB.Error
Option Explicit
Public Number As Long, Description As String, Source As String, SQLState As String, NativeError As Long
'#class ADODB.Parameter
Option Explicit
Public Name As String, Type_ As Long, Direction As Long, Size As Long, Value As Variant
Public Attributes As Long, Precision As Long, NumericScale As Long
'#class ADODB.Parameters
Option Explicit
Private mItems(200) As Object
Private mCount As Long

' A parameter of a variable-length type needs its Size before it is appended: "If you
' specify a variable-length data type in the Type argument, you must either pass a Size
' argument or set the Size property of the Parameter object before appending it to the
' Parameters collection; otherwise, an error occurs." (ADO, CreateParameter method,
' https://learn.microsoft.com/en-us/sql/ado/reference/ado-api/createparameter-method-ado;
' Size property, https://learn.microsoft.com/en-us/office/client-developer/access/desktop-database-reference/size-property-ado).
' The error is adErrInvalidParamInfo, 3708 (0x800A0E7C). The variable-length types are those
' of OLE DB's DBTYPE_STR, DBTYPE_WSTR, DBTYPE_BYTES and DBTYPE_VARNUMERIC (OLE DB,
' "Variable-Length Data Types", https://learn.microsoft.com/en-us/previous-versions/windows/desktop/ms715968(v=vs.85));
' adBSTR is a fixed-length pointer.
Public Sub Append(ByVal P As Object)
    Select Case P.Type_
    Case 128, 129, 130, 139, 200, 201, 202, 203, 204, 205
        If P.Size = 0 Then Err.Raise 3708, "ADODB.Parameters", _
            "Parameter object is improperly defined. Inconsistent or incomplete information was provided."
    End Select
    Set mItems(mCount) = P
    mCount = mCount + 1
End Sub

Public Property Get Count() As Long
    Count = mCount
End Property

' A parameter by position from 0 or by name, ignoring case.
Public Function Item(ByVal Index As Variant) As Object
    Dim I As Long
    If IsNumeric(Index) Then
        If Index < 0 Or Index >= mCount Then Err.Raise 3265, "ADODB.Parameters", "Item cannot be found in the collection corresponding to the requested name or ordinal."
        Set Item = mItems(Index)
        Exit Function
    End If
    For I = 0 To mCount - 1
        If LCase(mItems(I).Name) = LCase(Index) Then Set Item = mItems(I): Exit Function
    Next I
    Err.Raise 3265, "ADODB.Parameters", "Item cannot be found in the collection corresponding to the requested name or ordinal."
End Function

'#class ADODB.Command
Option Explicit
Public CommandText As String, CommandType As Long, CommandTimeout As Long, Prepared As Boolean
Public ActiveConnection As Object
Private mParameters As New ADODB.Parameters

' Parameters(i) and Parameters("name") serve the collection's default member.
Public Function Parameters(Optional ByVal Index As Variant) As Object
    If IsMissing(Index) Then Set Parameters = mParameters Else Set Parameters = mParameters.Item(Index)
End Function

Public Function CreateParameter(Optional ByVal Name As String = "", Optional ByVal PType As Long = 0, Optional ByVal Direction As Long = 1, Optional ByVal Size As Long = 0, Optional ByVal Value As Variant) As Object
    Dim P As New ADODB.Parameter
    P.Name = Name: P.Type_ = PType: P.Direction = Direction: P.Size = Size
    If IsMissing(Value) Then P.Value = Empty Else P.Value = Value
    Set CreateParameter = P
End Function

Public Function Execute(Optional RecordsAffected As Variant, Optional ByVal Params As Variant, Optional ByVal Options As Variant) As Object
    Dim Rs As New ADODB.Recordset
    Rs.DoOpen Me
    Set Execute = Rs
End Function
'#class ADODB.Field
Option Explicit
Public Name As String, Type_ As Long, Value As Variant, DefinedSize As Long
'#class ADODB.Fields
Option Explicit
Public Owner As Object

Public Property Get Count() As Long
    Count = Owner.FieldCount
End Property

Public Function Item(ByVal Index As Variant) As Object
    Set Item = Owner.Fields(Index)
End Function
'#class ADODB.Recordset
' Rows are fetched whole when the recordset opens: navigation, counts and a saved XML
' copy work without the server; the further result sets of the command wait in Pending.
Option Explicit
Public CursorLocation As Long, MaxRecords As Long, CursorType As Long, LockType As Long
Public State As Long
Public ActiveConnection As Object
Public ActiveCommand As Object
Public Pending As Collection
' Values by column and row (from 1): LibreOffice loses the rows of an array of arrays.
Private mNames() As String, mTypes() As Long, mData() As Variant
Private mCols As Long, mCount As Long, mPos As Long

Public Property Get FieldCount() As Long
    FieldCount = mCols
End Property

Public Property Get RecordCount() As Long
    RecordCount = mCount
End Property

Public Property Get EOF() As Boolean
    EOF = AtEnd()
End Property

Public Property Get BOF() As Boolean
    BOF = AtStart()
End Property

' Inside the class EOF names Basic's file function: the members use these.
Private Function AtEnd() As Boolean
    AtEnd = (mPos > mCount Or mCount = 0)
End Function

Private Function AtStart() As Boolean
    AtStart = (mPos < 1 Or mCount = 0)
End Function

Public Property Get AbsolutePosition() As Long
    If AtEnd() Or AtStart() Then AbsolutePosition = -3 Else AbsolutePosition = mPos
End Property

Public Property Let AbsolutePosition(ByVal NewValue As Long)
    mPos = NewValue
End Property

Public Sub MoveFirst()
    mPos = 1
End Sub

Public Sub MoveLast()
    mPos = mCount
End Sub

Public Sub MoveNext()
    If AtEnd() Then Err.Raise 3021, "ADODB.Recordset", "Either BOF or EOF is True, or the current record has been deleted."
    mPos = mPos + 1
End Sub

Public Sub MovePrevious()
    If AtStart() Then Err.Raise 3021, "ADODB.Recordset", "Either BOF or EOF is True, or the current record has been deleted."
    mPos = mPos - 1
End Sub

' Fields(i) and Fields("name") serve the collection's default member.
Public Function Fields(Optional ByVal Index As Variant) As Object
    Dim F As New ADODB.Field, C As Long
    If IsMissing(Index) Then
        Dim All As New ADODB.Fields
        Set All.Owner = Me
        Set Fields = All
        Exit Function
    End If
    If State = 0 Then Err.Raise 3704, "ADODB.Recordset", "Operation is not allowed when the object is closed."
    C = ColumnOf(Index)
    F.Name = mNames(C): F.Type_ = mTypes(C)
    If AtEnd() Or AtStart() Then Err.Raise 3021, "ADODB.Recordset", "Either BOF or EOF is True, or the current record has been deleted."
    F.Value = mData(C, mPos)
    Set Fields = F
End Function

Private Function ColumnOf(ByVal Index As Variant) As Long
    Dim C As Long
    If IsNumeric(Index) Then ColumnOf = Index: Exit Function
    For C = 0 To mCols - 1
        If LCase(mNames(C)) = LCase(Index) Then ColumnOf = C: Exit Function
    Next C
    Err.Raise 3265, "ADODB.Recordset", "Item cannot be found in the collection corresponding to the requested name or ordinal."
End Function

Public Sub DoClose()
    State = 0
End Sub

' Opens the recordset from a command or from a text: runs it through the server.
Public Sub DoOpen(Optional ByVal Source As Variant, Optional ByVal Conn As Variant, Optional ByVal CType As Variant, Optional ByVal LType As Variant, Optional ByVal Opts As Variant)
    Dim Cmd As Object
    If IsObject(Source) Then
        Set Cmd = Source
    Else
        Set Cmd = New ADODB.Command
        Cmd.CommandText = Source
        Cmd.CommandType = 1
        Set Cmd.ActiveConnection = Conn
    End If
    Set ActiveCommand = Cmd
    Set ActiveConnection = Cmd.ActiveConnection
    Set Pending = New Collection
    PfRunCommand Cmd, Me
End Sub

' Takes the rows of an SDBC result set (at most MaxRecords when above 0).
Public Sub Fill(ByVal Rs As Object)
    Dim Meta As Object, C As Long, V As Variant
    Set Meta = Rs.getMetaData()
    mCols = Meta.getColumnCount()
    ReDim mNames(mCols - 1): ReDim mTypes(mCols - 1)
    For C = 0 To mCols - 1
        mNames(C) = Meta.getColumnName(C + 1)
        mTypes(C) = PfAdoType(Meta.getColumnType(C + 1))
    Next C
    mCount = 0
    ReDim mData(mCols - 1, 0)
    Do While Rs.next()
        If MaxRecords > 0 And mCount >= MaxRecords Then Exit Do
        mCount = mCount + 1
        ReDim Preserve mData(mCols - 1, mCount)
        For C = 0 To mCols - 1
            V = Rs.getString(C + 1)
            If Rs.wasNull() Then mData(C, mCount) = Null Else mData(C, mCount) = PfValue(V, mTypes(C))
        Next C
    Loop
    mPos = 1
    State = 1
    PfLog "ROWS" & Chr(9) & mCount
End Sub

' The next result set of the command: closed when it returned no rows, Nothing after the last.
Public Function NextRecordset(Optional RecordsAffected As Variant) As Object
    Dim Rs As Object
    If Pending Is Nothing Then Exit Function
    If Pending.Count = 0 Then Exit Function
    Set Rs = Pending.Item(1)
    Pending.Remove 1
    Set Rs.Pending = Pending
    Set NextRecordset = Rs
End Function

' Writes the rows in the ADO XML persistence format into a stream.
Public Sub Save(ByVal Destination As Variant, Optional ByVal PersistFormat As Variant)
    Dim X As String, R As Long, C As Long, V As Variant
    X = "<xml xmlns:s='uuid:BDC6E3F0-6DA3-11d1-A2A3-00AA00C14882' xmlns:dt='uuid:C2F41010-65B3-11d1-A29F-00AA00C14882' xmlns:rs='urn:schemas-microsoft-com:rowset' xmlns:z='#RowsetSchema'>" & Chr(10)
    X = X & "<s:Schema id='RowsetSchema'>" & Chr(10) & "<s:ElementType name='row' content='eltOnly'>" & Chr(10)
    For C = 0 To mCols - 1
        X = X & "<s:AttributeType name='" & mNames(C) & "' rs:number='" & (C + 1) & "'/>" & Chr(10)
    Next C
    X = X & "</s:ElementType>" & Chr(10) & "</s:Schema>" & Chr(10) & "<rs:data>" & Chr(10)
    For R = 1 To mCount
        X = X & "<z:row"
        For C = 0 To mCols - 1
            V = mData(C, R)
            If mTypes(C) = 133 Or mTypes(C) = 135 Then V = Mid(PfLiteral(V, 135), 2, 19)
            If mTypes(C) = 135 Then V = Replace(V, " ", "T")
            If mTypes(C) = 133 Then V = Left(V, 10)
            If Not IsNull(V) Then X = X & " " & mNames(C) & "='" & Replace(Replace(Replace(CStr(V), "&", "&amp;"), "<", "&lt;"), "'", "&apos;") & "'"
        Next C
        X = X & "/>" & Chr(10)
    Next R
    X = X & "</rs:data>" & Chr(10) & "</xml>"
    Destination.WriteText X
End Sub
'#class ADODB.Stream
Option Explicit
Public Position As Long, Charset As String, Type_ As Long
Private mText As String

Public Sub DoOpen(Optional A As Variant, Optional B As Variant, Optional C As Variant)
    mText = ""
End Sub

Public Sub DoClose()
End Sub

Public Sub WriteText(ByVal S As String, Optional ByVal Opt As Variant)
    mText = mText & S
End Sub

Public Function ReadText(Optional ByVal N As Variant) As String
    ReadText = Mid(mText, Position + 1)
End Function

Public Property Get Size() As Long
    Size = Len(mText)
End Property
'#class ObjectContext
' A COM+ object context for classes hosted as components: records every vote.
Option Explicit
Public InTransaction As Boolean

Public Function IsInTransaction() As Boolean
    IsInTransaction = InTransaction
End Function

Public Sub SetComplete()
    PfLog "CONTEXT" & Chr(9) & "SetComplete"
End Sub

Public Sub SetAbort()
    PfLog "CONTEXT" & Chr(9) & "SetAbort"
End Sub

Public Sub DisableCommit()
    PfLog "CONTEXT" & Chr(9) & "DisableCommit"
End Sub
'#class PfApp
' The App object of a Visual Basic program: its name, version and folder; event-log
' entries go to the trace.
Option Explicit
Public Title As String, EXEName As String, Path As String, Major As Long, Minor As Long, Revision As Long

Private Sub Class_Initialize()
    Title = "PfRun": EXEName = "PfRun": Path = Environ("PFRUN_DIR"): Major = 1
End Sub

Public Sub StartLogging(ByVal LogTarget As String, ByVal LogMode As Long)
End Sub

Public Sub LogEvent(ByVal LogBuffer As String, Optional ByVal EventType As Long)
    PfLog "EVENTLOG" & Chr(9) & Replace(Replace(LogBuffer, Chr(13), ""), Chr(10), "|")
End Sub
